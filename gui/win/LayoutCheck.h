#pragma once

#include <string>
#include <vector>

namespace s::gui {
class IComponent;
}

namespace s::gui::win {

/// Looks for what a user would see as a broken layout in the tree under
/// `root`: a showing component that sticks out of its parent's area, one
/// smaller than its minimum size (a clipped text), or two showing siblings
/// that overlap (children of a pile are meant to overlap and are skipped).
/// Components of zero width or height are collapsed and skipped. Returns one
/// line per problem, naming the components by class and position.
std::vector<std::string> findLayoutProblems(IComponent* root);

} // namespace s::gui::win
