// Moving the start and end markers through a stand-in for the window's
// controls: clamping, which changes ask for a frame, the time texts and the
// two parsers.

#include "foundation/str/StrBuffer.h"
#include "foundation/xml/MappedData.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/Dialog.h"
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

std::string timeText(i64 us, i32 mode) {
    StrBuffer out;
    Dialog::formatTime(us, mode, out);
    return out.toStdString();
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

    std::vector<std::string> loaded;
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

    // Letters revert to the current position and ask for nothing.
    m_view.type(kEditEnd, "soon");
    m_dialog->onTimeCommitted(kEditEnd);
    EXPECT_EQ(m_view.text[kEditEnd], "1:30:00");
    EXPECT_EQ(requests().size(), 1u);

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

    // A radio button only shows its marker's frame.
    m_view.click(kEditEnd);
    m_dialog->onMarkerChosen(kEditEnd);
    EXPECT_EQ(requests(), (std::vector<i64>{40 * kSecond, duration, 40 * kSecond}));
    EXPECT_EQ(m_dialog->startUs(), duration);
    EXPECT_EQ(m_dialog->endUs(), 40 * kSecond);
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

TEST(TimeText, RoundsToMillisecondsAndDropsThemWhenLossless) {
    EXPECT_EQ(timeText(3723456789, kPreciseMode), "1:02:03.457");
    EXPECT_EQ(timeText(3723456789, kLosslessMode), "1:02:03");
    EXPECT_EQ(timeText(999999, kPreciseMode), "0:00:01.000");
    EXPECT_EQ(timeText(999999, kLosslessMode), "0:00:01");
    EXPECT_EQ(timeText(59999499, kPreciseMode), "0:00:59.999");
    EXPECT_EQ(timeText(59999499, kLosslessMode), "0:00:59");
    EXPECT_EQ(timeText(500, kPreciseMode), "0:00:00.001");
    EXPECT_EQ(timeText(0, kPreciseMode), "0:00:00.000");
    EXPECT_EQ(timeText(100 * 3600 * kSecond, kLosslessMode), "100:00:00");
}

TEST(TimeText, StrictParserWantsTwoDigitMinutesAndSeconds) {
    struct Case {
        const char16_t* text;
        bool strict;
        bool lenient;
        i64 us;
    };
    const Case cases[] = {
        {u"0:01:05", true, true, 65 * kSecond},
        {u"0:01:05.5", true, true, 65 * kSecond + 500000},
        {u"0:01:05.05", true, true, 65 * kSecond + 50000},
        {u"0:01:05.005", true, true, 65 * kSecond + 5000},
        {u"12:00:00", true, true, 12 * 3600 * kSecond},
        {u"0:90:0", false, true, 5400 * kSecond},
        {u"0:1:5", false, true, 65 * kSecond},
        {u"0:1", false, false, 0},
        {u":01:05", false, false, 0},
        {u"0:01:05.", false, false, 0},
        {u"0:01:05.1234", false, false, 0},
        {u"0:01:05.5.5", false, false, 0},
        {u"0:01:05:00", false, false, 0},
        {u"0:0a:05", false, false, 0},
        {u"0:01: 5", false, false, 0},
        {u"0:-:05", false, false, 0},
        {u"", false, false, 0},
    };
    for (const Case& c : cases) {
        i64 strict = -7;
        i64 lenient = -7;
        EXPECT_EQ(Dialog::parseTimeStrict(c.text, strict), c.strict) << utf8(c.text);
        EXPECT_EQ(Dialog::parseTimeLenient(c.text, lenient), c.lenient) << utf8(c.text);
        // The value on success; untouched on failure.
        EXPECT_EQ(strict, c.strict ? c.us : -7) << utf8(c.text);
        EXPECT_EQ(lenient, c.lenient ? c.us : -7) << utf8(c.text);
    }
    // A sign is a number when a digit follows; huge values saturate.
    i64 us = 0;
    EXPECT_TRUE(Dialog::parseTimeStrict(u"-1:00:00", us));
    EXPECT_EQ(us, -3600 * kSecond);
    EXPECT_TRUE(Dialog::parseTimeLenient(u"99999999999999999999:0:0", us));
    EXPECT_EQ(us, std::numeric_limits<i64>::max());
}

} // namespace
