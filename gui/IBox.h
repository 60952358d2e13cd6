#pragma once

#include "foundation/base/Types.h"
#include "gui/events/IEventListener.h"

namespace s::str::strarray {
class StrArray;
}

namespace s::gui {

class IContainer;

/// Box event codes (source = the box).
enum BoxEvent : i32 {
    kBoxFilesDropped = 1, ///< drop listeners; read `getDroppedFiles`
    kBoxWheel = 2,        ///< wheel listeners; read `getWheelLines`
    kBoxLayout = 3,       ///< layout listeners, after every layout
    kBoxMoved = 4,        ///< move listeners: moved or resized
    kBoxLeftButton = 6,   ///< left-button listeners: pressed inside the box
    kBoxUrlDropped = 7,   ///< URL listeners; read `getDroppedUrl`
};

/// A layout container that can also take dropped files and links and
/// report wheel turns, moves and clicks.
///
/// A role interface like the other control interfaces: the box itself is
/// reached through `asContainer`.
class IBox {
public:
    virtual ~IBox() = default;
    virtual IContainer* asContainer() = 0;

    virtual void setHGap(i32 px) = 0;
    virtual void setVGap(i32 px) = 0;
    virtual void setPadLeft(i32 px) = 0;
    virtual void setPadRight(i32 px) = 0;
    virtual void setPadTop(i32 px) = 0;
    virtual void setPadBottom(i32 px) = 0;
    virtual void setPadLeftRight(i32 px) = 0;
    virtual void setPadTopBottom(i32 px) = 0;
    virtual void setPadding(i32 px) = 0;
    virtual void setVAlignTop() = 0;
    virtual void setVAlignCenter() = 0;
    virtual void setVAlignBottom() = 0;
    virtual void setHAlignLeft() = 0;
    virtual void setHAlignCenter() = 0;
    virtual void setHAlignRight() = 0;
    /// 0 row, 1 column, 2 wrapping flow, 3 pile.
    virtual i32 getKind() const = 0;
    virtual void setKindRow() = 0;
    virtual void setKindColumn() = 0;
    virtual void setKindFlow() = 0;
    virtual void setKindPile() = 0;
    virtual void setPercentSize100() = 0;
    /// A percent clears the fixed size of that direction and the other way
    /// round; with `relayout` the parent lays out again.
    virtual void setPercentWidth(i32 p, bool relayout) = 0;
    virtual void setPercentHeight(i32 p, bool relayout) = 0;
    virtual void setFixedWidth(i32 px, bool relayout) = 0;
    virtual void setFixedHeight(i32 px, bool relayout) = 0;

    /// Dropped files and folders (code 1).
    virtual void setAcceptFiles(bool accept) = 0;
    virtual bool isAcceptFiles() const = 0;
    virtual void addDropListener(events::IEventListener* l) = 0;
    /// The paths of the last drop, in the order they came; owned by the box.
    virtual const str::strarray::StrArray* getDroppedFiles() const = 0;

    /// Dropped links (code 7).
    virtual void setAcceptUrls(bool accept) = 0;
    virtual bool isAcceptUrls() const = 0;
    virtual void addUrlListener(events::IEventListener* l) = 0;
    /// The link of the last URL drop; "" before one.
    virtual const char16_t* getDroppedUrl() const = 0;

    /// Wheel turns over the box that no child box took (code 2).
    virtual void addWheelListener(events::IEventListener* l) = 0;
    /// Signed lines of the last wheel turn (positive away from the user).
    virtual i32 getWheelLines() const = 0;

    virtual void addLayoutListener(events::IEventListener* l) = 0;
    /// Child `index` is shown and every other child hidden, each with a
    /// relayout.
    virtual void showOnly(i32 index) = 0;
    virtual void addMoveListener(events::IEventListener* l) = 0;
    virtual void addLeftButtonListener(events::IEventListener* l) = 0;
};

} // namespace s::gui
