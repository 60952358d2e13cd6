#include "gui/win/LayoutCheck.h"

#include "gui/win/Container.h"
#include "gui/win/Text.h"

namespace s::gui::win {

namespace {

std::string describe(IComponent* c, const std::string& path) {
    return path + " " + toUtf8(c->getClassName()) + " (" + std::to_string(c->getX()) + "," +
           std::to_string(c->getY()) + " " + std::to_string(c->getWidth()) + "x" +
           std::to_string(c->getHeight()) + ")";
}

bool collapsed(IComponent* c) { return !c->isVisible() || c->getWidth() <= 0 || c->getHeight() <= 0; }

void check(IComponent* component, const std::string& path, std::vector<std::string>& problems) {
    IContainer* container = component->asContainer();
    if (!container)
        return;
    auto* box = dynamic_cast<Container*>(component);
    const bool pile = box && box->getOwnLayoutManager() == nullptr && box->getKind() == kPile;
    const i32 innerW = component->getInnerWidth();
    const i32 innerH = component->getInnerHeight();
    const auto& children = container->getChildren();
    for (std::size_t i = 0; i < children.size(); ++i) {
        IComponent* c = children[i];
        if (collapsed(c))
            continue;
        const std::string name = describe(c, path + "/" + std::to_string(i));
        if (c->getX() < 0 || c->getY() < 0 || c->getX() + c->getWidth() > innerW ||
            c->getY() + c->getHeight() > innerH)
            problems.push_back(name + " sticks out of its parent's inner area " + std::to_string(innerW) + "x" +
                               std::to_string(innerH));
        if (!c->asContainer() && (c->getWidth() < c->getMinWidth() || c->getHeight() < c->getMinHeight()))
            problems.push_back(name + " is smaller than its minimum " + std::to_string(c->getMinWidth()) + "x" +
                               std::to_string(c->getMinHeight()));
        if (!pile) {
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                IComponent* d = children[j];
                if (collapsed(d))
                    continue;
                const bool apart = c->getX() + c->getWidth() <= d->getX() || d->getX() + d->getWidth() <= c->getX() ||
                                   c->getY() + c->getHeight() <= d->getY() ||
                                   d->getY() + d->getHeight() <= c->getY();
                if (!apart)
                    problems.push_back(name + " overlaps " + describe(d, path + "/" + std::to_string(j)));
            }
        }
        check(c, path + "/" + std::to_string(i), problems);
    }
}

} // namespace

std::vector<std::string> findLayoutProblems(IComponent* root) {
    std::vector<std::string> problems;
    if (root)
        check(root, "", problems);
    return problems;
}

} // namespace s::gui::win
