#pragma once

#include "foundation/base/Types.h"
#include "foundation/str/StrBuffer.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::video::gui::dialogs::snipforge {

/// The cutter's controls as the model drives them while the user moves the
/// start and end markers. `which` is a marker: 0 start (slider, time field,
/// "Start:" radio button), 1 end. The window implements it over its real
/// controls; every call comes on the window's thread.
///
/// Setters never raise the controls' own change events: the model is the one
/// that changes them, and it must not hear itself.
class ICutterView {
public:
    virtual ~ICutterView() = default;

    /// The slider position in whole seconds.
    virtual i64 sliderPosition(i32 which) const = 0;
    virtual void setSliderPosition(i32 which, i64 seconds) = 0;
    /// The slider range 0 .. `maxSeconds`.
    virtual void setSliderRange(i32 which, i64 maxSeconds) = 0;

    /// The time field's text as the user left it.
    virtual void timeText(i32 which, str::strbuffer::StrBuffer& out) const = 0;
    virtual void setTimeText(i32 which, const char16_t* text) = 0;
    /// Marks a time field as holding text that is no time (an error look),
    /// or clears the mark.
    virtual void setTimeInvalid(i32 which, bool invalid) {
        (void)which;
        (void)invalid;
    }
    /// Both time fields get this fixed width (pixels, already scaled).
    virtual void setTimeFieldWidth(i32 width) = 0;

    virtual bool isMarkerChecked(i32 which) const = 0;
    virtual void setMarkerChecked(i32 which, bool checked) = 0;

    /// The cut-mode radio button of a mode (0 lossless, 1 precise).
    virtual void setCutModeChecked(i32 mode, bool checked) = 0;
    /// The row of frame-step buttons: natural height, or collapsed to 0.
    virtual void setFramesRowShown(bool shown) = 0;
    /// Lays the window out twice and fits it to its minimum size.
    virtual void relayoutAndFit() = 0;

    /// The preview's picture buffer; null when there is no preview.
    virtual image::win::BufferedImage* previewImage() = 0;
    /// true: the preview stops redrawing while its buffer is rewritten;
    /// false: it draws again.
    virtual void setPreviewUpdating(bool updating) = 0;
    virtual void redrawPreview() = 0;
    /// true: a picture is asked for; the preview shows that it is busy when
    /// none has come within about 150 ms. false: the picture asked for last
    /// is there (or none is coming); the busy look goes.
    virtual void setPreviewBusy(bool busy) { (void)busy; }
};

} // namespace s::video::gui::dialogs::snipforge
