#pragma once

#include "foundation/str/StrArray.h"
#include "foundation/thread/Pool.h"
#include "gui/IBox.h"
#include "gui/win/Container.h"

#include <string>
#include <vector>

namespace s::gui::drawer {
class IBorder;
}

namespace s::gui::win {

/// The toolkit's layout container: a drawn component (no native widget of
/// its own) that lays out its children by its kind or a manager, and takes
/// dropped files and links, wheel turns and left clicks for its listeners.
class Box : public Container, public IBox {
    S_POOLED_CLASS(Box)

public:
    static constexpr u32 kMaxPooled = 0;
    /// The longest dropped path kept, in UTF-16 units (longer ones are
    /// skipped rather than cut into a wrong path).
    static constexpr std::size_t kMaxDroppedPath = 4096;

    Box() = default;
    ~Box() override;
    void reset() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Box"; }

    IContainer* asContainer() override { return this; }

    // -- IBox: layout settings (the container's) --
    void setHGap(i32 px) override { Container::setHGap(px); }
    void setVGap(i32 px) override { Container::setVGap(px); }
    void setPadLeft(i32 px) override { Container::setPadLeft(px); }
    void setPadRight(i32 px) override { Container::setPadRight(px); }
    void setPadTop(i32 px) override { Container::setPadTop(px); }
    void setPadBottom(i32 px) override { Container::setPadBottom(px); }
    void setPadLeftRight(i32 px) override { Container::setPadLeftRight(px); }
    void setPadTopBottom(i32 px) override { Container::setPadTopBottom(px); }
    void setPadding(i32 px) override { Container::setPadding(px); }
    void setVAlignTop() override { Container::setVAlignTop(); }
    void setVAlignCenter() override { Container::setVAlignCenter(); }
    void setVAlignBottom() override { Container::setVAlignBottom(); }
    void setHAlignLeft() override { Container::setHAlignLeft(); }
    void setHAlignCenter() override { Container::setHAlignCenter(); }
    void setHAlignRight() override { Container::setHAlignRight(); }
    i32 getKind() const override { return Container::getKind(); }
    void setKindRow() override { Container::setKindRow(); }
    void setKindColumn() override { Container::setKindColumn(); }
    void setKindFlow() override { Container::setKindFlow(); }
    void setKindPile() override { Container::setKindPile(); }
    void setPercentSize100() override { Container::setPercentSize100(); }
    using Container::setFixedHeight;
    using Container::setFixedWidth;
    using Container::setPercentHeight;
    using Container::setPercentWidth;
    void setPercentWidth(i32 p, bool relayout) override { Container::setPercentWidth(p, relayout); }
    void setPercentHeight(i32 p, bool relayout) override { Container::setPercentHeight(p, relayout); }
    void setFixedWidth(i32 px, bool relayout) override { Container::setFixedWidth(px, relayout); }
    void setFixedHeight(i32 px, bool relayout) override { Container::setFixedHeight(px, relayout); }
    void addLayoutListener(events::IEventListener* l) override { Container::addLayoutListener(l); }

    // -- IBox: events --
    void setAcceptFiles(bool accept) override { m_acceptFiles = accept; }
    bool isAcceptFiles() const override { return m_acceptFiles; }
    void addDropListener(events::IEventListener* l) override { m_dropListeners.add(l); }
    const str::strarray::StrArray* getDroppedFiles() const override { return &m_droppedFiles; }
    void setAcceptUrls(bool accept) override { m_acceptUrls = accept; }
    bool isAcceptUrls() const override { return m_acceptUrls; }
    void addUrlListener(events::IEventListener* l) override { m_urlListeners.add(l); }
    const char16_t* getDroppedUrl() const override { return m_droppedUrl.c_str(); }
    void addWheelListener(events::IEventListener* l) override { m_wheelListeners.add(l); }
    i32 getWheelLines() const override { return m_wheelLines; }
    void showOnly(i32 index) override;
    void addMoveListener(events::IEventListener* l) override { m_moveListeners.add(l); }
    void addLeftButtonListener(events::IEventListener* l) override { m_leftButtonListeners.add(l); }

    // -- entry points of the window (user-interface thread) --
    /// Files or folders were dropped on the box: the list is replaced by
    /// `paths` (in order, empty ones and ones longer than kMaxDroppedPath
    /// left out) and, when it holds something, the drop listeners run.
    /// Ignored unless the box accepts files.
    void dropFiles(const std::vector<std::u16string>& paths);
    /// A link was dropped: stored, then the URL listeners run. Ignored
    /// unless the box accepts URLs.
    void dropUrl(const std::u16string& url);
    /// A wheel turn at (x, y) in the box's own coordinates (its top-left
    /// corner is 0, 0). Offered first to the showing child boxes under the
    /// point, in child order; else, with wheel listeners, the lines are
    /// stored and code 2 raised. False when nobody took it (the window then
    /// passes it on).
    bool wheel(i32 lines, i32 x, i32 y);

    /// A frame painted over the background; owned (the previous one is
    /// released). Null for none.
    void setBorder(drawer::IBorder* border);
    drawer::IBorder* getBorder() const { return m_border; }

    // -- drawn component --
    bool isDrawn() const override { return true; }
    void paint(MemDC& dc, i32 w, i32 h) override;
    bool onMouse(const MouseEvent& event) override;

protected:
    void applyBounds() override;

private:
    bool m_acceptFiles = false;
    bool m_acceptUrls = false;
    str::strarray::StrArray m_droppedFiles;
    std::u16string m_droppedUrl;
    i32 m_wheelLines = 0;
    drawer::IBorder* m_border = nullptr;
    // The bounds the move listeners last heard of.
    i32 m_reportedX = 0;
    i32 m_reportedY = 0;
    i32 m_reportedW = 0;
    i32 m_reportedH = 0;
    events::ListenerList m_dropListeners;
    events::ListenerList m_urlListeners;
    events::ListenerList m_wheelListeners;
    events::ListenerList m_moveListeners;
    events::ListenerList m_leftButtonListeners;
};

} // namespace s::gui::win
