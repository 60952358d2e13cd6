// Moving the start and end markers through a stand-in for the window's
// controls: clamping, which changes ask for a frame, the time texts and the
// two parsers.

#include "foundation/str/StrBuffer.h"
#include "foundation/xml/MappedData.h"
#include "image/win/BufferedImage.h"
#include "gui/IWindow.h"
#include "mainwindow/snipforge/Dialog.h"
#include "mainwindow/snipforge/Shortcuts.h"
#include "media/video/StreamInfo.h"
#include "media/video/VideoInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;

namespace {

constexpr i64 kSecond = 1000000;

std::string utf8(const char16_t* text) {
    StrBuffer b;
    b.set(text);
    return b.toStdString();
}

// What the frame source was asked; outlives the dialog that frees the source.
struct Frames {
    std::vector<i64> requests;
    bool pending = false;
    int taken = 0;
    int discarded = 0;
    int released = 0;
};

class FakeSource final : public IFrameSource {
public:
    explicit FakeSource(Frames& frames) : m_frames(frames) {}
    void requestFrame(i64 us) override { m_frames.requests.push_back(us); }
    s::thread::ObjLocker& grabLock() override { return m_lock; }
    bool isImagePending() const override { return m_frames.pending; }
    bool takeImage(s::image::win::BufferedImage* image) override {
        if (!m_frames.pending || !image)
            return false;
        m_frames.pending = false;
        ++m_frames.taken;
        return true;
    }
    void discardImage() override {
        m_frames.pending = false;
        ++m_frames.discarded;
    }
    void releaseSource() override {
        ++m_frames.released;
        delete this;
    }

private:
    Frames& m_frames;
    s::thread::ObjLocker m_lock;
};

// The controls, as plain values.
class FakeView final : public ICutterView {
public:
    i64 sliderPosition(i32 which) const override { return slider[which]; }
    void setSliderPosition(i32 which, i64 seconds) override { slider[which] = seconds; }
    void setSliderRange(i32 which, i64 maxSeconds) override { range[which] = maxSeconds; }
    void timeText(i32 which, StrBuffer& out) const override { out.setUtf8(text[which]); }
    void setTimeText(i32 which, const char16_t* value) override { text[which] = utf8(value); }
    void setTimeFieldWidth(i32 width) override { fieldWidth = width; }
    void setTimeInvalid(i32 which, bool value) override { invalid[which] = value; }
    bool isMarkerChecked(i32 which) const override { return checked[which]; }
    void setMarkerChecked(i32 which, bool value) override { checked[which] = value; }
    void setCutModeChecked(i32 mode, bool value) override { modeChecked[mode] = value; }
    void setFramesRowShown(bool shown) override { framesRow = shown; }
    void relayoutAndFit() override { ++relayouts; }
    s::image::win::BufferedImage* previewImage() override { return hasPreview ? &preview : nullptr; }
    void setPreviewUpdating(bool updating) override { updates.push_back(updating); }
    void redrawPreview() override { ++redraws; }

    // The user's side of the controls.
    void type(i32 which, const std::string& value) { text[which] = value; }
    void click(i32 which) {
        checked[which] = true;
        checked[1 - which] = false;
    }

    i64 slider[2] = {0, 0};
    i64 range[2] = {100, 100};
    std::string text[2] = {"0:00:00", "0:00:00"};
    bool invalid[2] = {false, false};
    i32 fieldWidth = 70;
    bool checked[2] = {true, false};
    bool modeChecked[2] = {true, false};
    bool framesRow = false;
    int relayouts = 0;
    bool hasPreview = true;
    s::image::win::BufferedImage preview;
    std::vector<bool> updates;
    int redraws = 0;
};

class Observer final : public dnd::IDialogObserver {
public:
    void onFileLoaded(const char16_t* name, const char16_t* duration, const char16_t* size) override {
        loaded.push_back(utf8(name) + " " + utf8(duration) + " " + utf8(size));
    }
    void onMessage(const char16_t* text) override { messages.push_back(utf8(text)); }
    void onControlsEnabled(bool enabled) override { controls = enabled ? 1 : 0; }
    void onStatusText(const char16_t* text) override { status.push_back(utf8(text)); }

    std::vector<std::string> loaded;
    std::vector<std::string> status;
    std::vector<std::string> messages;
    int controls = -1;
};

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        m_dialog = std::make_unique<Dialog>(dnd::DialogContext{});
        m_dialog->setObserver(&m_observer);
        m_dialog->setView(&m_view);
    }

    // Loads a file of `durationUs` as the opening task and "UpdateUI" would;
    // forgets the opening task's own request for position 0.
    void load(i64 durationUs, i64 frameUs = 40000, bool withAudio = true) {
        s::video::VideoInfo* info = s::video::VideoInfo::create();
        info->path().setUtf8(m_file);
        info->setDurationUs(durationUs);
        if (withAudio)
            info->addStream()->setType(s::video::kStreamAudio);
        m_frames.requests.clear();
        m_dialog->replaceLoadedFile(info, frameUs, new FakeSource(m_frames));
        EXPECT_EQ(m_frames.requests, std::vector<i64>{0});
        m_frames.requests.clear();
        m_dialog->onProbeDone();
    }

    std::vector<i64>& requests() { return m_frames.requests; }

    Frames m_frames;
    FakeView m_view;
    Observer m_observer;
    s::test::TempDir m_dir;
    std::string m_file = m_dir.file("clip.mp4");
    std::unique_ptr<Dialog> m_dialog;
};

TEST_F(Navigation, LoadingResetsMarkersAndControls) {
    ASSERT_TRUE(s::test::writeFile(m_file, std::string(1536, 'x')));
    m_view.click(kEditEnd);
    load(3723 * kSecond + 456789);
    EXPECT_EQ(m_dialog->startUs(), 0);
    EXPECT_EQ(m_dialog->endUs(), 3723 * kSecond + 456789);
    EXPECT_TRUE(m_view.checked[kEditStart]);
    EXPECT_FALSE(m_view.checked[kEditEnd]);
    EXPECT_EQ(m_view.range[kEditStart], 3723);
    EXPECT_EQ(m_view.range[kEditEnd], 3723);
    EXPECT_EQ(m_view.slider[kEditStart], 0);
    EXPECT_EQ(m_view.slider[kEditEnd], 3723);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:00");
    EXPECT_EQ(m_view.text[kEditEnd], "1:02:03");
    EXPECT_EQ(m_observer.loaded, std::vector<std::string>{"clip.mp4 [01:02:03] 1.50 KB"});
    EXPECT_EQ(m_observer.controls, 1);
    EXPECT_TRUE(m_observer.messages.empty());
    EXPECT_TRUE(requests().empty()); // the opening task asked for 0 already
}

TEST_F(Navigation, StepClampsAtBothEndsAndAsksOnlyWhenTheMarkerMoves) {
    const i64 duration = 600 * kSecond + 123456;
    load(duration);
    m_dialog->step(2 * kSecond);
    m_dialog->step(-5 * kSecond);
    EXPECT_EQ(m_dialog->startUs(), 0);
    EXPECT_EQ(requests(), (std::vector<i64>{2 * kSecond, 0}));
    EXPECT_EQ(m_view.text[kEditStart], "0:00:00");
    EXPECT_EQ(m_view.slider[kEditStart], 0);

    m_view.text[kEditStart] = "untouched";
    m_dialog->step(-5 * kSecond);
    EXPECT_EQ(requests().size(), 2u);
    EXPECT_EQ(m_view.text[kEditStart], "untouched");

    // The end marker: back 30 s, then past the end stops at the exact end.
    m_view.click(kEditEnd);
    m_dialog->step(-30 * kSecond);
    EXPECT_EQ(m_dialog->endUs(), duration - 30 * kSecond);
    EXPECT_EQ(m_view.slider[kEditEnd], 570);
    m_dialog->step(180 * kSecond);
    EXPECT_EQ(m_dialog->endUs(), duration);
    EXPECT_EQ(requests().back(), duration);
    EXPECT_EQ(m_view.text[kEditEnd], "0:10:00");
    EXPECT_EQ(m_dialog->startUs(), 0);

    // Neither radio button checked: nothing moves, nothing is asked.
    m_view.checked[kEditStart] = m_view.checked[kEditEnd] = false;
    const size_t before = requests().size();
    m_dialog->step(-kSecond);
    m_dialog->stepFrames(5);
    EXPECT_EQ(requests().size(), before);
    EXPECT_EQ(m_dialog->endUs(), duration);
}

TEST_F(Navigation, FrameStepsUseTheFilesFrameLength) {
    load(10 * kSecond, frameLengthUs(25, 1, true));
    m_dialog->stepFrames(1);
    EXPECT_EQ(m_dialog->startUs(), 40000);
    m_dialog->stepFrames(-10);
    EXPECT_EQ(m_dialog->startUs(), 0);

    load(10 * kSecond, frameLengthUs(30000, 1001, true));
    m_dialog->setCutMode(kPreciseMode, false);
    m_dialog->stepFrames(5);
    EXPECT_EQ(m_dialog->startUs(), 5 * 33366);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:00.167");
    EXPECT_EQ(requests().back(), 5 * 33366);
    EXPECT_EQ(m_frames.released, 1); // the first file's source
}

TEST_F(Navigation, TypingMovesTheMarkerOnlyForACompleteTime) {
    load(3600 * kSecond);
    m_view.type(kEditStart, "0:1");
    m_dialog->onTimeTyped(kEditStart);
    m_view.type(kEditStart, "0:01:0");
    m_dialog->onTimeTyped(kEditStart);
    EXPECT_TRUE(requests().empty());

    m_view.type(kEditStart, "0:01:05");
    m_dialog->onTimeTyped(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), 65 * kSecond);
    EXPECT_EQ(m_view.slider[kEditStart], 65);
    EXPECT_EQ(m_view.text[kEditStart], "0:01:05"); // left as typed

    m_view.type(kEditStart, "0:01:05.5");
    m_dialog->onTimeTyped(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), 65 * kSecond + 500000);
    EXPECT_EQ(m_view.text[kEditStart], "0:01:05.5");

    // The same time again asks for nothing.
    m_view.type(kEditStart, "0:01:05.500");
    m_dialog->onTimeTyped(kEditStart);
    EXPECT_EQ(requests(), (std::vector<i64>{65 * kSecond, 65 * kSecond + 500000}));

    // Typing into the end field makes the end the edited marker; the start
    // may lie after the end.
    m_view.type(kEditEnd, "0:00:10");
    m_dialog->onTimeTyped(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 10 * kSecond);
    EXPECT_TRUE(m_view.checked[kEditEnd]);
    EXPECT_FALSE(m_view.checked[kEditStart]);
    EXPECT_GT(m_dialog->startUs(), m_dialog->endUs());
}

TEST_F(Navigation, CommittingTakesAnyNumbersAndRewritesTheField) {
    load(2 * 3600 * kSecond);
    m_view.type(kEditEnd, "0:90:00");
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 5400 * kSecond);
    EXPECT_EQ(m_view.text[kEditEnd], "1:30:00");
    EXPECT_EQ(m_view.slider[kEditEnd], 5400);
    EXPECT_TRUE(m_view.checked[kEditEnd]);
    EXPECT_EQ(requests(), std::vector<i64>{5400 * kSecond});

    // The forms people type, each shown in the field's form once taken.
    const struct {
        const char* typed;
        i64 us;
        const char* shown;
    } forms[] = {
        {"75", 75 * kSecond, "0:01:15"},
        {"75.5", 75 * kSecond + 500000, "0:01:15"},
        {"1:15", 75 * kSecond, "0:01:15"},
        {"1:15.5", 75 * kSecond + 500000, "0:01:15"},
        {"0:01:15.500", 75 * kSecond + 500000, "0:01:15"},
        {" 1:15,25 ", 75 * kSecond + 250000, "0:01:15"},
        {"4000", 4000 * kSecond, "1:06:40"},
    };
    for (const auto& form : forms) {
        m_view.type(kEditEnd, form.typed);
        m_dialog->onTimeCommitted(kEditEnd);
        EXPECT_EQ(m_dialog->endUs(), form.us) << form.typed;
        EXPECT_EQ(m_view.text[kEditEnd], form.shown) << form.typed;
        EXPECT_FALSE(m_view.invalid[kEditEnd]) << form.typed;
    }
    EXPECT_EQ(requests().back(), 4000 * kSecond);
    EXPECT_TRUE(m_observer.status.empty());
}

TEST_F(Navigation, TextThatIsNoTimeIsMarkedAndTheMarkerStays) {
    load(3600 * kSecond);
    m_view.type(kEditEnd, "0:10:00");
    m_dialog->onTimeCommitted(kEditEnd);
    requests().clear();

    // Not replaced: the text stays for correcting, marked, with a status
    // text that names it; the marker and the preview stay where they were.
    m_view.type(kEditEnd, "soon");
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(m_view.text[kEditEnd], "soon");
    EXPECT_TRUE(m_view.invalid[kEditEnd]);
    EXPECT_TRUE(m_dialog->isTimeInvalid(kEditEnd));
    EXPECT_EQ(m_dialog->endUs(), 600 * kSecond);
    EXPECT_TRUE(requests().empty());
    ASSERT_EQ(m_observer.status.size(), 1u);
    EXPECT_NE(m_observer.status[0].find("Not a time: \"soon\""), std::string::npos) << m_observer.status[0];
    EXPECT_NE(m_observer.status[0].find("0:01:15.500"), std::string::npos) << m_observer.status[0];

    // Leaving the field again (focus loss after Enter) keeps it so.
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(m_view.text[kEditEnd], "soon");
    EXPECT_TRUE(m_view.invalid[kEditEnd]);

    // Typing on: a partial time is no reason to mark or unmark; a time
    // clears the mark (and the status text) before it is entered.
    m_view.type(kEditEnd, "0:1");
    m_dialog->onTimeTyped(kEditEnd);
    EXPECT_FALSE(m_view.invalid[kEditEnd]);
    EXPECT_EQ(m_observer.status.back(), "Ready");
    EXPECT_TRUE(requests().empty()); // not a complete time while typing

    // Other invalid texts; an empty field is one too.
    for (const char* typed : {"", "1:2:3:4", "1.5.5", "12:", "0:01:05.1234", "ten", "1:15.", ":30"}) {
        m_view.type(kEditEnd, typed);
        m_dialog->onTimeCommitted(kEditEnd);
        EXPECT_TRUE(m_view.invalid[kEditEnd]) << typed;
        EXPECT_EQ(m_view.text[kEditEnd], typed);
        EXPECT_EQ(m_dialog->endUs(), 600 * kSecond) << typed;
    }

    // A step rewrites the field with the marker's time and clears the mark;
    // so does Escape (`revertTime`).
    m_view.click(kEditEnd);
    m_dialog->step(kSecond);
    EXPECT_EQ(m_view.text[kEditEnd], "0:10:01");
    EXPECT_FALSE(m_view.invalid[kEditEnd]);
    m_view.type(kEditStart, "x");
    m_dialog->onTimeCommitted(kEditStart);
    EXPECT_TRUE(m_view.invalid[kEditStart]);
    m_dialog->revertTime(kEditStart);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:00");
    EXPECT_FALSE(m_view.invalid[kEditStart]);
    EXPECT_FALSE(m_dialog->isTimeInvalid(kEditStart));
}

TEST_F(Navigation, EnteringTheMarkersOwnTimeShowsItsFrame) {
    // The end lies at the end of the file from the start; the preview shows
    // the start. Entering the end's time (or one past the file) shows the
    // end's frame, the last one, and makes the end the edited marker.
    const i64 duration = 4 * kSecond;
    load(duration);
    m_view.type(kEditEnd, "4");
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(requests(), std::vector<i64>{duration});
    EXPECT_TRUE(m_view.checked[kEditEnd]);
    EXPECT_EQ(m_view.text[kEditEnd], "0:00:04");
    // Shown already: nothing more is asked.
    m_view.type(kEditEnd, "0:00:09");
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(requests().size(), 1u);
    EXPECT_EQ(m_view.text[kEditEnd], "0:00:04");
}

TEST_F(Navigation, CommittedTimesBeyondTheFileClamp) {
    load(2 * 3600 * kSecond);

    // Beyond the file, and beyond 64 bits: the end of the file.
    m_view.type(kEditStart, "99999999999999999999:00:00");
    m_dialog->onTimeCommitted(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), 2 * 3600 * kSecond);
    EXPECT_EQ(m_view.text[kEditStart], "2:00:00");
    m_view.type(kEditStart, "-1:00:00");
    m_dialog->onTimeCommitted(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), 0);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:00");
}

TEST_F(Navigation, SliderAndRadioButtons) {
    const i64 duration = 100 * kSecond + 250000;
    load(duration);
    m_view.slider[kEditEnd] = 40;
    m_dialog->onSliderMoved(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 40 * kSecond);
    EXPECT_TRUE(m_view.checked[kEditEnd]);
    EXPECT_FALSE(m_view.checked[kEditStart]);
    EXPECT_EQ(m_dialog->editing(), kEditEnd);
    EXPECT_EQ(m_view.text[kEditEnd], "0:00:40");

    m_view.slider[kEditStart] = 101; // the top of the range lies past the end
    m_dialog->onSliderMoved(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), duration);
    EXPECT_TRUE(m_view.checked[kEditStart]);

    // The right end of the range is the end of the file, not its last
    // whole second: its last frame lies after that.
    m_view.slider[kEditEnd] = 100;
    m_dialog->onSliderMoved(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), duration);
    m_view.slider[kEditEnd] = 40;
    m_dialog->onSliderMoved(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 40 * kSecond);
    requests().erase(requests().end() - 2, requests().end());

    // A radio button only shows its marker's frame.
    m_view.click(kEditEnd);
    m_dialog->onMarkerChosen(kEditEnd);
    EXPECT_EQ(requests(), (std::vector<i64>{40 * kSecond, duration, 40 * kSecond}));
    EXPECT_EQ(m_dialog->startUs(), duration);
    EXPECT_EQ(m_dialog->endUs(), 40 * kSecond);
}

TEST_F(Navigation, MarkersGoToAndTakeTheFrameOnShow) {
    const i64 duration = 60 * kSecond;
    load(duration);
    m_dialog->step(3 * kSecond);
    EXPECT_EQ(m_dialog->shownUs(), 3 * kSecond);

    // The end takes the frame on show and becomes the edited marker; the
    // next steps move it.
    m_dialog->setMarkerHere(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 3 * kSecond);
    EXPECT_TRUE(m_view.checked[kEditEnd]);
    EXPECT_FALSE(m_view.checked[kEditStart]);
    EXPECT_EQ(m_view.text[kEditEnd], "0:00:03");
    EXPECT_EQ(m_view.slider[kEditEnd], 3);
    m_dialog->step(2 * kSecond);
    EXPECT_EQ(m_dialog->endUs(), 5 * kSecond);
    EXPECT_EQ(m_dialog->startUs(), 3 * kSecond);

    // Going to a marker edits it and shows its frame, moving nothing.
    requests().clear();
    m_dialog->chooseMarker(kEditStart);
    EXPECT_TRUE(m_view.checked[kEditStart]);
    EXPECT_FALSE(m_view.checked[kEditEnd]);
    EXPECT_EQ(requests(), std::vector<i64>{3 * kSecond});
    m_dialog->chooseMarker(kEditEnd);
    EXPECT_EQ(requests().back(), 5 * kSecond);
    EXPECT_EQ(m_dialog->startUs(), 3 * kSecond);
    EXPECT_EQ(m_dialog->endUs(), 5 * kSecond);

    // The start to the frame on show (the end's); at its own position it
    // asks for nothing more.
    requests().clear();
    m_dialog->setMarkerHere(kEditStart);
    EXPECT_EQ(m_dialog->startUs(), 5 * kSecond);
    EXPECT_TRUE(m_view.checked[kEditStart]);
    m_dialog->setMarkerHere(kEditStart);
    EXPECT_EQ(requests(), std::vector<i64>{5 * kSecond});

    // A new file shows its first frame.
    load(duration);
    EXPECT_EQ(m_dialog->shownUs(), 0);
    m_dialog->setMarkerHere(kEditEnd);
    EXPECT_EQ(m_dialog->endUs(), 0);
}

TEST(Keys, ArrowStepsFollowTheModeAndTheModifiers) {
    namespace sg = s::gui;
    bool frames = false;
    EXPECT_EQ(arrowStep(0, true, &frames), 1);
    EXPECT_TRUE(frames);
    EXPECT_EQ(arrowStep(0, false, &frames), kSecond);
    EXPECT_FALSE(frames);
    EXPECT_EQ(arrowStep(sg::kKeyShift, true, &frames), kSecond);
    EXPECT_FALSE(frames);
    EXPECT_EQ(arrowStep(sg::kKeyShift, false, &frames), 5 * kSecond);
    EXPECT_EQ(arrowStep(sg::kKeyControl, true, &frames), 30 * kSecond);
    EXPECT_EQ(arrowStep(sg::kKeyControl, false, &frames), 30 * kSecond);
    EXPECT_EQ(arrowStep(sg::kKeyControl | sg::kKeyShift, false, &frames), 180 * kSecond);
    EXPECT_FALSE(frames);

    // Key codes: arrows 37/39, Home 36, End 35, F10 121, "[" 219, "]" 221.
    EXPECT_EQ(keyActionFor(37, 0), KeyAction::kStepBack);
    EXPECT_EQ(keyActionFor(39, sg::kKeyControl | sg::kKeyShift), KeyAction::kStepForward);
    EXPECT_EQ(keyActionFor(36, 0), KeyAction::kGoToStart);
    EXPECT_EQ(keyActionFor(35, 0), KeyAction::kGoToEnd);
    EXPECT_EQ(keyActionFor('I', 0), KeyAction::kStartHere);
    EXPECT_EQ(keyActionFor(219, 0), KeyAction::kStartHere);
    EXPECT_EQ(keyActionFor('O', 0), KeyAction::kEndHere);
    EXPECT_EQ(keyActionFor(221, 0), KeyAction::kEndHere);
    EXPECT_EQ(keyActionFor('O', sg::kKeyControl), KeyAction::kOpen);
    EXPECT_EQ(keyActionFor('S', sg::kKeyControl), KeyAction::kSave);
    EXPECT_EQ(keyActionFor('Q', sg::kKeyControl), KeyAction::kQuit);
    EXPECT_EQ(keyActionFor('W', sg::kKeyControl), KeyAction::kQuit);
    EXPECT_EQ(keyActionFor(121, 0), KeyAction::kFirstMenu);
    EXPECT_EQ(keyActionFor('F', sg::kKeyAlt), KeyAction::kMenuByLetter);
    EXPECT_EQ(keyActionFor(27, 0), KeyAction::kRevertTime);
    // Keys that are not the window's: plain letters without a meaning, the
    // toolkit's Shift+Home, Ctrl with other letters, Alt with arrows.
    EXPECT_EQ(keyActionFor('S', 0), KeyAction::kNone);
    EXPECT_EQ(keyActionFor(36, sg::kKeyShift), KeyAction::kNone);
    EXPECT_EQ(keyActionFor('A', sg::kKeyControl), KeyAction::kNone);
    EXPECT_EQ(keyActionFor('S', sg::kKeyControl | sg::kKeyShift), KeyAction::kNone);
    EXPECT_EQ(keyActionFor(37, sg::kKeyAlt), KeyAction::kNone);
    EXPECT_EQ(keyActionFor(9, 0), KeyAction::kNone);
}

TEST_F(Navigation, CutModeSwitchesRowWidthsTextsAndIsStored) {
    s::test::TempDir dir;
    auto store = s::thread::makePooled<s::xml::MappedData>();
    ASSERT_TRUE(store->open(dir.u16("SaveData.xml").c_str()));
    dnd::DialogContext context;
    context.settings = store.get();
    m_dialog = std::make_unique<Dialog>(context);
    m_dialog->loadSettings();
    m_dialog->setDisplayScale(2);
    m_dialog->setView(&m_view);
    EXPECT_EQ(m_view.fieldWidth, 140);
    EXPECT_FALSE(m_view.framesRow);
    EXPECT_FALSE(store->hasKey(dnd::kViewGroup, dnd::kCutModeKey)); // applying is not choosing

    load(3600 * kSecond);
    m_view.type(kEditStart, "0:00:01.25");
    m_dialog->onTimeCommitted(kEditStart);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:01");

    const int relayouts = m_view.relayouts;
    m_view.modeChecked[kPreciseMode] = true; // the click
    m_dialog->setCutMode(kPreciseMode);
    EXPECT_FALSE(m_view.modeChecked[kLosslessMode]);
    EXPECT_TRUE(m_view.framesRow);
    EXPECT_EQ(m_view.fieldWidth, 180);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:01.250");
    EXPECT_EQ(m_view.text[kEditEnd], "1:00:00.000");
    EXPECT_GT(m_view.relayouts, relayouts);
    EXPECT_EQ(utf8(store->getString(dnd::kViewGroup, dnd::kCutModeKey, u"")),
              "Precise cut  (re-encode and slow)");

    m_dialog->setCutMode(kLosslessMode);
    EXPECT_FALSE(m_view.modeChecked[kPreciseMode]);
    EXPECT_FALSE(m_view.framesRow);
    EXPECT_EQ(m_view.fieldWidth, 140);
    EXPECT_EQ(m_view.text[kEditStart], "0:00:01");
    EXPECT_EQ(m_dialog->startUs(), 1250000); // only the text lost the milliseconds
}

TEST_F(Navigation, PreviewTakesAWaitingPictureOnly) {
    load(10 * kSecond);
    m_dialog->onImageReady();
    EXPECT_TRUE(m_view.updates.empty());

    m_frames.pending = true;
    m_dialog->onImageReady();
    EXPECT_EQ(m_view.updates, (std::vector<bool>{true, false}));
    EXPECT_EQ(m_frames.taken, 1);
    EXPECT_EQ(m_view.redraws, 1);

    // No preview to draw into: the grabber is let go on.
    m_view.hasPreview = false;
    m_frames.pending = true;
    m_dialog->onImageReady();
    EXPECT_EQ(m_frames.discarded, 1);
    EXPECT_EQ(m_view.redraws, 1);
}

} // namespace
