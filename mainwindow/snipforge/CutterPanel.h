#pragma once

#include "gui/events/IEventListener.h"
#include "mainwindow/dragndrop/IDialogObserver.h"
#include "mainwindow/snipforge/ICutterView.h"

#include <functional>
#include <map>
#include <vector>

namespace s::gui {
class IComponent;
}
namespace s::gui::win {
class Box;
class Button;
class Component;
class Label;
class RadioButton;
class Slider;
class TextField;
} // namespace s::gui::win

namespace s::video::gui::dialogs::snipforge {

class Dialog;

/// The cutter's content panel: the file's name, duration and size, the
/// preview, the start and end markers with their time fields, sliders and
/// step buttons, the cut mode and the Save button. It is the cutter
/// dialog's view of these controls (ICutterView) and hears the cutter's
/// notifications (IDialogObserver, through the frame); its controls report
/// to it and it calls the dialog.
///
/// Threads: built on the thread that builds the window, used on the
/// user-interface thread.
class CutterPanel final : public ICutterView,
                          public ::s::gui::dialogs::dragndrop::IDialogObserver,
                          public ::s::gui::events::IEventListener {
public:
    /// Which controls `editingControls` gives.
    static constexpr i32 kStepButtonCount = 14;

    explicit CutterPanel(Dialog& dialog);
    CutterPanel(const CutterPanel&) = delete;
    CutterPanel& operator=(const CutterPanel&) = delete;
    ~CutterPanel() override;

    /// Builds the panel for a display scale: a pile box whose first child
    /// is the panel column (the second, empty one stays hidden). The caller
    /// puts it into the window's tree, which owns it from then on. The
    /// editing controls start disabled.
    ::s::gui::IComponent* makeContentPanel(i32 scale);
    /// Wires the controls to the dialog and hands the dialog this view,
    /// which applies the restored cut mode. Call after the panel is in the
    /// window.
    void afterBuild();

    /// What "Save as Image" starts; nothing happens without one.
    void setSaveImageHandler(std::function<void()> handler) { m_saveImage = std::move(handler); }
    /// Lays the window out twice and fits it to its minimum; the frame
    /// supplies it.
    void setRelayout(std::function<void()> relayout) { m_relayout = std::move(relayout); }

    // The controls, for the window's owner and tests.
    ::s::gui::win::Box* pile() const { return m_pile; }
    ::s::gui::win::Box* panelColumn() const { return m_panelColumn; }
    ::s::gui::win::Label* fileLabel() const { return m_fileLabel; }
    ::s::gui::win::Label* durationLabel() const { return m_durationLabel; }
    ::s::gui::win::Label* sizeLabel() const { return m_sizeLabel; }
    ::s::gui::win::Component* preview() const { return m_preview; }
    ::s::gui::win::RadioButton* markerRadio(i32 which) const { return m_markerRadio[which == 1 ? 1 : 0]; }
    ::s::gui::win::TextField* timeField(i32 which) const { return m_timeField[which == 1 ? 1 : 0]; }
    ::s::gui::win::Slider* slider(i32 which) const { return m_slider[which == 1 ? 1 : 0]; }
    ::s::gui::win::RadioButton* cutModeRadio(i32 mode) const { return m_cutModeRadio[mode == 1 ? 1 : 0]; }
    ::s::gui::win::Box* framesRow() const { return m_framesRow; }
    ::s::gui::win::Label* saveImageLabel() const { return m_saveImageLabel; }
    ::s::gui::win::Button* saveButton() const { return m_saveButton; }
    /// The step button of a step: seconds (±1, ±5, ±30, ±180) or, with
    /// `frames`, frames (±1, ±5, ±10); null for any other.
    ::s::gui::win::Button* stepButton(i64 amount, bool frames) const;
    /// Every control of the editing set, in no particular order.
    std::vector<::s::gui::IComponent*> editingControls() const;

    // -- ICutterView --
    i64 sliderPosition(i32 which) const override;
    void setSliderPosition(i32 which, i64 seconds) override;
    void setSliderRange(i32 which, i64 maxSeconds) override;
    void timeText(i32 which, str::strbuffer::StrBuffer& out) const override;
    void setTimeText(i32 which, const char16_t* text) override;
    void setTimeInvalid(i32 which, bool invalid) override;
    void setTimeFieldWidth(i32 width) override;
    bool isMarkerChecked(i32 which) const override;
    void setMarkerChecked(i32 which, bool checked) override;
    void setCutModeChecked(i32 mode, bool checked) override;
    void setFramesRowShown(bool shown) override;
    void relayoutAndFit() override;
    image::win::BufferedImage* previewImage() override;
    void setPreviewUpdating(bool updating) override;
    void redrawPreview() override;
    void setPreviewBusy(bool busy) override;

    // -- IDialogObserver (the cutter's part) --
    void onFileLoaded(const char16_t* name, const char16_t* durationText, const char16_t* sizeText) override;
    void onControlsEnabled(bool enabled) override;

    // -- the controls' events --
    void onEvent(::s::gui::IComponent* source, i32 code) override;

private:
    struct Step {
        i64 amount = 0;
        bool frames = false;
    };
    ::s::gui::win::Box* makeInfoRow();
    ::s::gui::win::Box* makePreviewRow();
    ::s::gui::win::Box* makeTimesRow();
    ::s::gui::win::Box* makeFramesRow();
    ::s::gui::win::Box* makeSecondsBox();
    ::s::gui::win::Slider* makeSlider();
    ::s::gui::win::Box* makeCutModeRow();
    ::s::gui::win::Box* makeSaveRow();
    ::s::gui::win::Button* makeStepButton(const char16_t* text, i32 percentWidth, i64 amount, bool frames);
    ::s::gui::IComponent* spacerH(i32 width) const;
    ::s::gui::IComponent* spacerV(i32 height) const;

    Dialog& m_dialog;
    i32 m_scale = 1;
    std::function<void()> m_saveImage;
    std::function<void()> m_relayout;

    // Owned by the window's tree; user-interface thread.
    ::s::gui::win::Box* m_pile = nullptr;
    ::s::gui::win::Box* m_panelColumn = nullptr;
    ::s::gui::win::Label* m_fileLabel = nullptr;
    ::s::gui::win::Label* m_durationLabel = nullptr;
    ::s::gui::win::Label* m_sizeLabel = nullptr;
    ::s::gui::win::Component* m_preview = nullptr;
    ::s::gui::win::RadioButton* m_markerRadio[2] = {};
    ::s::gui::win::TextField* m_timeField[2] = {};
    ::s::gui::win::Slider* m_slider[2] = {};
    ::s::gui::win::RadioButton* m_cutModeRadio[2] = {};
    ::s::gui::win::Box* m_framesRow = nullptr;
    ::s::gui::win::Label* m_saveImageLabel = nullptr;
    ::s::gui::win::Button* m_saveButton = nullptr;
    std::map<::s::gui::IComponent*, Step> m_steps;
};

} // namespace s::video::gui::dialogs::snipforge
