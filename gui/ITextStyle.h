#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

class IComponent;

namespace win {
class FontSetting;
}

/// The text-style operations every text control forwards to its font
/// setting. Each change measures the control again and repaints it; a later
/// size code keeps a height or weight that was set explicitly.
///
/// A role interface like the other control interfaces: the control itself is
/// reached through `asComponent`.
class ITextStyle {
public:
    virtual ~ITextStyle() = default;
    virtual IComponent* asComponent() = 0;

    /// Font size and weight by size code (see FontSetting::sizeCodeToPoints).
    virtual void setSizeCode(i32 code) = 0;
    virtual void setFontFace(const char16_t* face) = 0;
    /// Negative: character height in pixels.
    virtual void setFontHeight(i32 height) = 0;
    virtual i32 getFontHeight() const = 0;
    virtual void setBold(bool bold) = 0;
    virtual bool isBold() const = 0;
    virtual void setItalic(bool italic) = 0;
    virtual bool isItalic() const = 0;
    virtual void setUnderline(bool underline) = 0;
    virtual bool isUnderline() const = 0;
    virtual void setTextColor(i32 r, i32 g, i32 b) = 0;
    /// 0x00RRGGBB.
    virtual u32 getTextColor() const = 0;
    /// The control's own text style; owned by the control. After changing it
    /// directly, call `fontChanged`.
    virtual win::FontSetting* getFontSetting() = 0;
    virtual void fontChanged() = 0;
};

} // namespace s::gui
