#include "mainwindow/snipforge/CutterPanel.h"

#include "foundation/str/StrBuffer.h"
#include "gui/IButton.h"
#include "gui/ILabel.h"
#include "gui/IRadioButton.h"
#include "gui/ISlider.h"
#include "gui/ITextField.h"
#include "gui/drawer/border/win/Plain.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/Spacer.h"
#include "gui/win/TextField.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/Dialog.h"

#include <limits>

namespace s::video::gui::dialogs::snipforge {

namespace sg = ::s::gui;
namespace sw = ::s::gui::win;
using str::strbuffer::StrBuffer;

namespace {

constexpr i64 kSecond = 1000000;

i32 toI32(i64 v) {
    if (v > std::numeric_limits<i32>::max())
        return std::numeric_limits<i32>::max();
    if (v < std::numeric_limits<i32>::min())
        return std::numeric_limits<i32>::min();
    return static_cast<i32>(v);
}

using PreviewImage = sw::Image;

PreviewImage* asPreview(sw::Component* c) {
    return static_cast<PreviewImage*>(c);
}

sw::Label* makeLabel(i32 textId, i32 sizeCode) {
    auto* label = sw::Label::create();
    label->setTextId(textId);
    label->setSizeCode(sizeCode);
    return label;
}

sw::Box* makeBox(bool row) {
    auto* box = sw::Box::create();
    if (row)
        box->setKindRow();
    else
        box->setKindColumn();
    return box;
}

// Collapsed rows take no room and show none of their native widgets.
void showRow(sw::Box* row, bool shown) {
    row->setFixedHeight(shown ? -1 : 0, false);
    row->setVisible(shown, false);
}

} // namespace

CutterPanel::CutterPanel(Dialog& dialog) : m_dialog(dialog) {}

CutterPanel::~CutterPanel() = default;

sg::IComponent* CutterPanel::spacerH(i32 width) const {
    auto* spacer = sw::Spacer::create();
    spacer->setHorizontal();
    spacer->setFixedWidth(width * m_scale);
    return spacer;
}

sg::IComponent* CutterPanel::spacerV(i32 height) const {
    auto* spacer = sw::Spacer::create();
    spacer->setVertical();
    spacer->setFixedHeight(height * m_scale);
    return spacer;
}

sg::IComponent* CutterPanel::makeContentPanel(i32 scale) {
    m_scale = scale < 1 ? 1 : scale;
    const i32 s = m_scale;

    m_pile = makeBox(false);
    m_pile->setKindPile();
    m_pile->setPercentWidth(100, false);

    m_panelColumn = makeBox(false);
    m_panelColumn->setPercentSize100();
    m_panelColumn->setHAlignLeft();
    m_panelColumn->setVAlignTop();
    m_panelColumn->setPadding(10 * s);
    m_panelColumn->setVGap(10 * s);
    m_panelColumn->setBackgroundWhite(false);
    auto* border = ::s::gui::drawer::border::win::Plain::create();
    border->setColour(145, 155, 156);
    m_panelColumn->setBorder(border);

    sw::Box* body = makeBox(false);
    body->setPercentSize100();
    body->setHAlignCenter();
    body->setVAlignTop();
    body->add(makeInfoRow());
    body->add(spacerV(5));
    body->add(makePreviewRow());
    body->add(spacerV(8));
    body->add(makeTimesRow());
    body->add(makeFramesRow());
    body->add(spacerV(12));
    body->add(makeSecondsBox());
    body->add(spacerV(10));
    m_slider[kEditStart] = makeSlider();
    body->add(m_slider[kEditStart]);
    body->add(spacerV(5));
    m_slider[kEditEnd] = makeSlider();
    body->add(m_slider[kEditEnd]);
    body->add(spacerV(10));
    body->add(makeCutModeRow());

    m_panelColumn->add(body);
    m_panelColumn->add(spacerV(5));
    m_panelColumn->add(makeSaveRow());
    m_pile->add(m_panelColumn);

    // The pile's second page is never chosen in this program.
    sw::Box* spare = makeBox(false);
    spare->setPadding(10 * s);
    spare->setVGap(10 * s);
    spare->setVisible(false, false);
    m_pile->add(spare);

    onControlsEnabled(false);
    return m_pile;
}

sw::Box* CutterPanel::makeInfoRow() {
    sw::Box* row = makeBox(true);
    row->setPercentWidth(100, false);
    row->setHGap(10 * m_scale);
    sw::Box* fileBox = makeBox(true);
    fileBox->setPercentWidth(100, false);
    m_fileLabel = makeLabel(1002000, 0);
    // A long name is cut, never widening the window.
    m_fileLabel->setEndEllipsis(true);
    fileBox->add(m_fileLabel);
    row->add(fileBox);
    m_durationLabel = sw::Label::create();
    m_durationLabel->setText(u"[00:00:00]", false);
    m_durationLabel->setSizeCode(0);
    row->add(m_durationLabel);
    m_sizeLabel = sw::Label::create();
    m_sizeLabel->setText(u"0 MB", false);
    m_sizeLabel->setSizeCode(0);
    row->add(m_sizeLabel);
    return row;
}

sw::Box* CutterPanel::makePreviewRow() {
    sw::Box* row = makeBox(true);
    row->setPercentSize100();
    row->setHAlignCenter();
    row->setVAlignCenter();
    PreviewImage* preview = PreviewImage::create();
    preview->setPercentWidth(100);
    preview->setPercentHeight(100);
    // Black until the first frame arrives.
    auto* picture = image::win::BufferedImage::create();
    (void)picture->allocate(16, 9); // 16x9 pixels: without them the preview is merely empty
    picture->fill(255, 0, 0, 0);
    preview->setImage(picture, true);
    m_preview = preview;
    row->add(preview);
    return row;
}

sw::Box* CutterPanel::makeTimesRow() {
    const i32 s = m_scale;
    sw::Box* row = makeBox(true);
    row->setPercentWidth(100, false);
    row->setHAlignLeft();
    row->setVAlignTop();
    row->add(spacerH(50));

    sw::Box* positions = makeBox(true);
    positions->setHAlignCenter();
    positions->setVAlignCenter();
    const i32 radioText[2] = {1101000, 1102000};
    for (i32 which : {kEditStart, kEditEnd}) {
        if (which == kEditEnd)
            positions->add(spacerH(12));
        m_markerRadio[which] = sw::RadioButton::create();
        m_markerRadio[which]->setTextId(radioText[which]);
        m_markerRadio[which]->setChecked(which == kEditStart, false);
        positions->add(m_markerRadio[which]);
        m_timeField[which] = sw::TextField::create();
        m_timeField[which]->setText(u"0:00:00", false);
        m_timeField[which]->setFixedWidth(70 * s);
        positions->add(m_timeField[which]);
    }
    row->add(positions);

    sw::Box* saveImage = makeBox(false);
    saveImage->setHAlignRight();
    saveImage->setVAlignTop();
    m_saveImageLabel = makeLabel(1102500, -1);
    m_saveImageLabel->setClickable(true);
    m_saveImageLabel->setNormalColor(51, 51, 51);
    m_saveImageLabel->setHoverColor(0, 0, 238);
    saveImage->add(m_saveImageLabel);
    saveImage->add(spacerH(50));
    row->add(saveImage);
    return row;
}

sw::Box* CutterPanel::makeFramesRow() {
    m_framesRow = makeBox(false);
    m_framesRow->setPercentWidth(100, false);
    m_framesRow->add(spacerV(12));
    sw::Box* steps = makeBox(true);
    steps->setPercentWidth(100, false);
    steps->setHAlignLeft();
    steps->setVAlignCenter();
    steps->add(makeLabel(1103000, 0));
    const struct {
        const char16_t* back;
        const char16_t* forward;
        i64 n;
    } groups[] = {{u"< 1", u"1 >", 1}, {u"< 5", u"5 >", 5}, {u"< 10", u"10 >", 10}};
    for (std::size_t i = 0; i < std::size(groups); ++i) {
        if (i > 0)
            steps->add(spacerH(10));
        steps->add(makeStepButton(groups[i].back, 16, -groups[i].n, true));
        steps->add(makeStepButton(groups[i].forward, 16, groups[i].n, true));
    }
    m_framesRow->add(steps);
    // Shown until the cut mode is applied (`afterBuild`), so that its buttons
    // are measured on screen once.
    return m_framesRow;
}

sw::Box* CutterPanel::makeSecondsBox() {
    sw::Box* box = makeBox(true);
    box->setPercentWidth(100, false);
    box->setHAlignLeft();
    box->setVAlignCenter();
    const struct {
        i32 textId;
        i64 seconds;
    } groups[] = {{1103001, 1}, {1103005, 5}, {1103030, 30}, {1103180, 180}};
    for (std::size_t i = 0; i < std::size(groups); ++i) {
        if (i > 0)
            box->add(spacerH(10));
        box->add(makeLabel(groups[i].textId, 0));
        box->add(makeStepButton(u"<", 12, -groups[i].seconds, false));
        box->add(makeStepButton(u">", 12, groups[i].seconds, false));
    }
    return box;
}

sw::Button* CutterPanel::makeStepButton(const char16_t* text, i32 percentWidth, i64 amount, bool frames) {
    auto* button = sw::Button::create();
    button->setText(text);
    button->setPercentWidth(percentWidth);
    m_steps[button] = Step{amount, frames};
    return button;
}

sw::Slider* CutterPanel::makeSlider() {
    auto* slider = sw::Slider::create();
    slider->setPercentWidth(100);
    slider->setThumbLength(20 * m_scale);
    slider->setRange(0, 100);
    slider->setTickMarks(false);
    return slider;
}

sw::Box* CutterPanel::makeCutModeRow() {
    sw::Box* row = makeBox(true);
    row->setPercentWidth(100, false);
    row->setHAlignCenter();
    row->setVAlignCenter();
    m_cutModeRadio[kLosslessMode] = sw::RadioButton::create();
    m_cutModeRadio[kLosslessMode]->setTextId(1090000);
    m_cutModeRadio[kLosslessMode]->setChecked(true, false);
    row->add(m_cutModeRadio[kLosslessMode]);
    row->add(spacerH(20));
    m_cutModeRadio[kPreciseMode] = sw::RadioButton::create();
    m_cutModeRadio[kPreciseMode]->setTextId(1090010);
    row->add(m_cutModeRadio[kPreciseMode]);
    return row;
}

sw::Box* CutterPanel::makeSaveRow() {
    sw::Box* row = makeBox(false);
    row->setPercentWidth(100, false);
    row->setHAlignLeft();
    row->setVAlignBottom();
    m_saveButton = sw::Button::create();
    m_saveButton->setTextId(1200001);
    m_saveButton->setPercentWidth(100);
    row->add(m_saveButton);
    return row;
}

void CutterPanel::afterBuild() {
    for (i32 which : {kEditStart, kEditEnd}) {
        m_markerRadio[which]->addCheckedListener(this);
        m_timeField[which]->addChangeListener(this);
        m_timeField[which]->addEnterListener(this);
        m_timeField[which]->addFocusLostListener(this);
        m_slider[which]->addChangeListener(this);
    }
    for (auto& [button, step] : m_steps)
        static_cast<sw::Button*>(button)->addActionListener(this);
    m_saveButton->addActionListener(this);
    m_cutModeRadio[kLosslessMode]->addCheckedListener(this);
    m_cutModeRadio[kPreciseMode]->addCheckedListener(this);
    m_saveImageLabel->addClickListener(this);
    // Applies the cut mode the dialog restored from the settings.
    m_dialog.setView(this);
}

sw::Button* CutterPanel::stepButton(i64 amount, bool frames) const {
    for (const auto& [button, step] : m_steps) {
        if (step.amount == amount && step.frames == frames)
            return static_cast<sw::Button*>(button);
    }
    return nullptr;
}

std::vector<sg::IComponent*> CutterPanel::editingControls() const {
    std::vector<sg::IComponent*> out;
    for (i32 i : {0, 1}) {
        out.push_back(m_markerRadio[i]);
        out.push_back(m_timeField[i]);
        out.push_back(m_slider[i]);
        out.push_back(m_cutModeRadio[i]);
    }
    for (const auto& [button, step] : m_steps)
        out.push_back(button);
    out.push_back(m_saveButton);
    return out;
}

// -- ICutterView --

i64 CutterPanel::sliderPosition(i32 which) const {
    return slider(which)->getPosition();
}

void CutterPanel::setSliderPosition(i32 which, i64 seconds) {
    slider(which)->setPosition(toI32(seconds));
}

void CutterPanel::setSliderRange(i32 which, i64 maxSeconds) {
    slider(which)->setRange(0, toI32(maxSeconds < 0 ? 0 : maxSeconds));
}

void CutterPanel::timeText(i32 which, StrBuffer& out) const {
    out.set(timeField(which)->getText());
}

void CutterPanel::setTimeText(i32 which, const char16_t* text) {
    timeField(which)->setText(text, false);
}

void CutterPanel::setTimeInvalid(i32 which, bool invalid) {
    timeField(which)->setInvalid(invalid);
}

void CutterPanel::setTimeFieldWidth(i32 width) {
    m_timeField[kEditStart]->setFixedWidth(width);
    m_timeField[kEditEnd]->setFixedWidth(width);
}

bool CutterPanel::isMarkerChecked(i32 which) const {
    return markerRadio(which)->isChecked();
}

void CutterPanel::setMarkerChecked(i32 which, bool checked) {
    markerRadio(which)->setChecked(checked, false);
}

void CutterPanel::setCutModeChecked(i32 mode, bool checked) {
    cutModeRadio(mode)->setChecked(checked, false);
}

void CutterPanel::setFramesRowShown(bool shown) {
    showRow(m_framesRow, shown);
}

void CutterPanel::relayoutAndFit() {
    if (m_relayout)
        m_relayout();
}

image::win::BufferedImage* CutterPanel::previewImage() {
    return m_preview ? asPreview(m_preview)->getImage() : nullptr;
}

void CutterPanel::setPreviewUpdating(bool updating) {
    if (m_preview)
        asPreview(m_preview)->setUpdating(updating);
}

void CutterPanel::redrawPreview() {
    if (m_preview)
        m_preview->redraw();
}

void CutterPanel::setPreviewBusy(bool busy) {
    // A picture that comes within this long shows without the busy look, so
    // a quick step never flickers.
    constexpr i32 kBusyDelayMs = 150;
    if (m_preview)
        asPreview(m_preview)->setBusy(busy, kBusyDelayMs);
}

// -- notifications --

void CutterPanel::onFileLoaded(const char16_t* name, const char16_t* durationText, const char16_t* sizeText) {
    m_fileLabel->setText(name, true);
    m_durationLabel->setText(durationText, true);
    m_sizeLabel->setText(sizeText, true);
}

void CutterPanel::onControlsEnabled(bool enabled) {
    for (sg::IComponent* control : editingControls())
        control->setEnabled(enabled);
    // Greyed, and deaf to clicks, while there is no frame to save.
    if (m_saveImageLabel)
        m_saveImageLabel->setEnabled(enabled);
}

// -- events --

void CutterPanel::onEvent(sg::IComponent* source, i32 code) {
    if (!source)
        return;
    for (i32 which : {kEditStart, kEditEnd}) {
        if (source == m_markerRadio[which]) {
            if (m_markerRadio[which]->isChecked())
                m_dialog.onMarkerChosen(which);
            return;
        }
        if (source == m_timeField[which]) {
            if (code == sg::kTextFieldChanged)
                m_dialog.onTimeTyped(which);
            else if (code == sg::kTextFieldEnter || code == sg::kTextFieldFocusLost)
                m_dialog.onTimeCommitted(which);
            return;
        }
        if (source == m_slider[which]) {
            m_dialog.onSliderMoved(which);
            return;
        }
    }
    for (i32 mode : {kLosslessMode, kPreciseMode}) {
        if (source == m_cutModeRadio[mode]) {
            if (m_cutModeRadio[mode]->isChecked() && m_dialog.cutMode() != mode)
                m_dialog.setCutMode(mode);
            return;
        }
    }
    if (source == m_saveButton && code == sg::kButtonAction) {
        (void)m_dialog.saveScene(); // false: busy, nothing loaded, or a folder its check reported
        return;
    }
    if (source == m_saveImageLabel && code == sg::kLabelClick) {
        if (m_saveImage)
            m_saveImage();
        return;
    }
    if (auto it = m_steps.find(source); it != m_steps.end() && code == sg::kButtonAction) {
        if (it->second.frames)
            m_dialog.stepFrames(it->second.amount);
        else
            m_dialog.step(it->second.amount * kSecond);
    }
}

} // namespace s::video::gui::dialogs::snipforge
