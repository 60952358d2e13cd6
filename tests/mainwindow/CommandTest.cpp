// Menu commands, the menus' starting state, the status bar's handling of the
// worker's events and the size and duration texts, through stand-ins for the
// menu bar, the window behaviours and the worker's event delivery.

#include "foundation/event/NamedEvents.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/lang/Localizer.h"
#include "foundation/str/StrArray.h"
#include "foundation/xml/MappedData.h"
#include "gui/IWindow.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/video/VideoInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;

namespace {

std::string utf8(const char16_t* text) {
    StrBuffer b;
    b.set(text);
    return b.toStdString();
}

constexpr std::string_view kPack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
</languages>
<entries>
<entry id="101000">maker<eng>https://maker.example/</eng></entry>
<entry id="106000">translate<eng>https://maker.example/translate/</eng><deu>https://maker.example/de/translate/</deu></entry>
<entry id="500003">home<eng>https://maker.example/product/</eng></entry>
<entry id="500004">help<eng>https://maker.example/product/help/</eng></entry>
<entry id="500100">support<eng>https://maker.example/product/support/</eng></entry>
<entry id="608249">custom entry<eng>Output to:</eng><deu>Ausgabe:</deu></entry>
</entries>
</lang>)";

// The menu bar and the standard dialogs, as plain values. Every call is
// logged, so that "nothing happened" can be checked.
class FakeMenu final : public dnd::IMenuView {
public:
    void setFileRadioMark(i32 position) override {
        radio = position;
        log.push_back("radio");
    }
    void insertFileRadioEntry(i32 position, i32 command, const char16_t* text) override {
        inserted.push_back(std::to_string(position) + " " + std::to_string(command) + " " + utf8(text));
        texts[command] = utf8(text);
        log.push_back("insert");
    }
    void setItemText(i32 command, const char16_t* text) override {
        texts[command] = utf8(text);
        log.push_back("text");
    }
    bool isItemChecked(i32 command) const override {
        auto it = checks.find(command);
        return it != checks.end() && it->second;
    }
    void setItemChecked(i32 command, bool checked) override {
        checks[command] = checked;
        log.push_back("check");
    }
    void setLanguageRadioMark(i32 index) override {
        language = index;
        log.push_back("language");
    }
    void setKeepOnTopBox(bool checked) override {
        keepOnTopBox = checked;
        log.push_back("box");
    }
    bool askFolder(const char16_t* startFolder, const char16_t* title, StrBuffer& folder) override {
        asked.push_back(utf8(startFolder) + " | " + utf8(title));
        if (answer.empty())
            return false;
        folder.setUtf8(answer);
        return true;
    }
    bool askFilesToOpen(const char16_t* startFolder, const char16_t* filterName,
                        const char16_t* filterPattern, s::str::strarray::StrArray& paths) override {
        asked.push_back(utf8(startFolder) + " | " + utf8(filterName) + " | " + utf8(filterPattern));
        for (const std::string& file : files) {
            StrBuffer b;
            b.setUtf8(file);
            paths.append(b.c_str());
        }
        return !files.empty();
    }
    void openUrl(const char16_t* url) override { urls.push_back(utf8(url)); }
    void showVersionWindow() override { log.push_back("version"); }
    void relayoutAndFit() override { log.push_back("layout"); }

    i32 radio = -1;
    i32 language = -1;
    bool keepOnTopBox = false;
    std::vector<std::string> inserted;
    std::map<i32, std::string> texts;
    std::map<i32, bool> checks;
    std::vector<std::string> asked;
    std::string answer; // the folder the selector returns; empty: cancelled
    std::vector<std::string> files;
    std::vector<std::string> urls;
    std::vector<std::string> log;
};

// The window behaviours; every keep-on-top change is logged with the
// messages, so the order of the two shows.
class FakeBehaviour final : public dnd::IWindowBehaviour {
public:
    explicit FakeBehaviour(std::vector<std::string>& events) : m_events(events) {}
    bool isKeepOnTop() const override { return keepOnTop; }
    void setKeepOnTop(bool onTop) override {
        keepOnTop = onTop;
        m_events.push_back(onTop ? "on top" : "not on top");
    }
    bool isEasyDrag() const override { return easyDrag; }
    void setEasyDrag(bool value) override { easyDrag = value; }
    const char16_t* getMiddleClickAction() const override { return action; }
    void setMiddleClickAction(const char16_t* value) override { action = value; }

    bool keepOnTop = false;
    bool easyDrag = true;
    const char16_t* action = s::gui::kActionClose;

private:
    std::vector<std::string>& m_events;
};

class Observer final : public dnd::IDialogObserver {
public:
    void onProgress(i64 range, i64 value) override {
        add("progress " + std::to_string(range) + "/" + std::to_string(value));
    }
    void onProgressBoxShown(bool shown) override { add(shown ? "box shown" : "box hidden"); }
    void onStatusText(const char16_t* text) override { add("status " + utf8(text)); }
    void onControlsEnabled(bool enabled) override { add(enabled ? "controls on" : "controls off"); }
    void onMessage(const char16_t* text) override { add("message " + utf8(text)); }

    std::vector<std::string> take() {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }

    std::mutex m_lock;
    std::vector<std::string> events;

private:
    void add(const std::string& event) {
        std::lock_guard<std::mutex> guard(m_lock);
        events.push_back(event);
    }
};

// One named event as the window delivers it.
class Event final : public s::event::INamedEventSource {
public:
    Event(const char16_t* name, i64 a, i64 b, s::base::IObject* object)
        : m_name(name), m_a(a), m_b(b), m_object(object) {}
    const char16_t* getEventName() const override { return m_name; }
    i64 getEventA() const override { return m_a; }
    i64 getEventB() const override { return m_b; }
    s::base::IObject* getEventObject() const override { return m_object; }
    void setEventResult(i64 value) override { result = value; }
    i64 result = 0;

private:
    const char16_t* m_name;
    i64 m_a;
    i64 m_b;
    s::base::IObject* m_object;
};

// Delivers the worker's events to the dialog on the worker's own thread,
// holding "ProcessStatusStart" until the test lets it go: a job that is
// running for as long as the test wants.
class HeldTarget final : public s::event::INamedEventTarget {
public:
    i64 sendEvent(const char16_t* name, i64 a, i64 b, s::base::IObject* object) override {
        if (name == s::event::kProcessStatusStart) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_started = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return m_released; });
        }
        if (name == s::event::kReportError)
            ++reports;
        Event event(name, a, b, object);
        dialog->onNamedEvent(event);
        return event.result;
    }
    void waitStarted() {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_started; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_released = true;
        m_changed.notify_all();
    }

    Dialog* dialog = nullptr;
    std::atomic<int> reports{0};

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_released = false;
};

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_store->open(m_dir.u16("SaveData.xml").c_str()));
        m_localizer->setSystemLanguage(u"English");
        ASSERT_TRUE(m_localizer->loadUtf8(reinterpret_cast<const s::u8*>(kPack.data()),
                                          static_cast<s::u32>(kPack.size())));
        m_context.settings = m_store.get();
        m_context.localizer = m_localizer.get();
    }

    // A dialog over the current settings, with the menus built.
    void make() {
        m_dialog = std::make_unique<Dialog>(m_context);
        m_dialog->setObserver(&m_observer);
        m_dialog->setMenuView(&m_menu);
        m_dialog->setWindowBehaviour(&m_behaviour);
        m_dialog->loadSettings();
        m_dialog->menuState(m_state);
        m_menu.radio = m_state.fileRadioPosition;
        m_menu.checks[dnd::kCmdKeepOnTop] = m_state.keepOnTop;
        m_menu.checks[dnd::kCmdEasyDrag] = m_state.easyDrag;
        m_menu.checks[dnd::kCmdMiddleClickClose] = m_state.middleClickClose;
        m_menu.checks[dnd::kCmdSmartPrecise] = m_state.smartPrecise;
        m_menu.log.clear();
    }

    i32 storedMode() { return m_store->getS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, -1); }
    std::string stored(const char16_t* key) {
        return utf8(m_store->getString(dnd::kFileGroup, key, u"<none>"));
    }

    s::test::TempDir m_dir;
    s::thread::Pooled<s::xml::MappedData> m_store = s::thread::makePooled<s::xml::MappedData>();
    s::thread::Pooled<s::lang::Localizer> m_localizer = s::thread::makePooled<s::lang::Localizer>();
    dnd::DialogContext m_context;
    FakeMenu m_menu;
    Observer m_observer;
    std::vector<std::string> m_windowEvents;
    FakeBehaviour m_behaviour{m_windowEvents};
    dnd::MenuState m_state;
    std::unique_ptr<Dialog> m_dialog;
};

TEST_F(Commands, MenuStateFollowsTheStoredOutputFolder) {
    m_store->setS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, dnd::kOutputCustom);
    m_store->setString(dnd::kFileGroup, dnd::kOutputDirCustomPathKey, u"/media/cuts");
    make();
    EXPECT_EQ(m_state.fileRadioPosition, dnd::kPosCustomFolder);
    EXPECT_TRUE(m_state.hasCustomEntry);
    EXPECT_EQ(m_state.customEntryText.toStdString(), "Output to:\"/media/cuts\"");

    // The custom mode without a folder shows, and acts as, the same folder;
    // the stored value waits for the next choice.
    m_store->setString(dnd::kFileGroup, dnd::kOutputDirCustomPathKey, u"");
    make();
    EXPECT_EQ(m_state.fileRadioPosition, dnd::kPosSameFolder);
    EXPECT_FALSE(m_state.hasCustomEntry);
    EXPECT_EQ(m_dialog->outputFolderMode(), dnd::kOutputSameFolder);
    EXPECT_EQ(storedMode(), dnd::kOutputCustom);

    m_store->setS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, dnd::kOutputDesktop);
    make();
    EXPECT_EQ(m_state.fileRadioPosition, dnd::kPosDesktop);

    // A value the program never writes would refuse every file.
    m_store->setS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, 7);
    make();
    EXPECT_EQ(m_state.fileRadioPosition, dnd::kPosSameFolder);
    EXPECT_EQ(m_dialog->outputFolderMode(), dnd::kOutputSameFolder);

    m_behaviour.keepOnTop = true;
    m_behaviour.easyDrag = false;
    m_behaviour.action = s::gui::kActionDoNothing;
    m_localizer->selectLanguage(u"German");
    make();
    EXPECT_TRUE(m_state.keepOnTop);
    EXPECT_FALSE(m_state.easyDrag);
    EXPECT_FALSE(m_state.middleClickClose);
    EXPECT_EQ(m_state.languageIndex, 1);
}

TEST_F(Commands, OutputFolderRadioGroup) {
    make();
    const std::pair<i32, i32> choices[] = {{dnd::kCmdSubFolder, dnd::kOutputSubFolder},
                                           {dnd::kCmdDesktop, dnd::kOutputDesktop},
                                           {dnd::kCmdSameFolder, dnd::kOutputSameFolder}};
    for (auto [command, mode] : choices) {
        m_dialog->onCommand(command);
        EXPECT_EQ(m_dialog->outputFolderMode(), mode);
        EXPECT_EQ(storedMode(), mode);
        EXPECT_EQ(m_menu.radio, command - dnd::kCmdSameFolder + dnd::kPosSameFolder);
    }

    const std::string first = m_dir.file("first");
    m_menu.answer = first;
    m_dialog->onCommand(dnd::kCmdOtherFolder);
    m_dialog->onCommand(dnd::kCmdSameFolder);
    m_dialog->onCommand(dnd::kCmdCustomFolder);
    EXPECT_EQ(m_dialog->outputFolderMode(), dnd::kOutputCustom);
    EXPECT_EQ(storedMode(), dnd::kOutputCustom);
    EXPECT_EQ(m_menu.radio, dnd::kPosCustomFolder);

    // The entry outlived its folder: the same folder is chosen instead.
    m_dialog->useOutputFolderForRun(u"");
    m_dialog->onCommand(dnd::kCmdCustomFolder);
    EXPECT_EQ(m_dialog->outputFolderMode(), dnd::kOutputSameFolder);
    EXPECT_EQ(storedMode(), dnd::kOutputSameFolder);
    EXPECT_EQ(m_menu.radio, dnd::kPosSameFolder);
}

TEST_F(Commands, OtherFolderAddsOneEntryAndThenRenamesIt) {
    make();
    const std::string desktop = s::file::win::desktopFolder().toStdString();

    // Cancelled: nothing changes.
    m_dialog->onCommand(dnd::kCmdOtherFolder);
    EXPECT_EQ(m_menu.asked, std::vector<std::string>{desktop + " | Please select the output folder."});
    EXPECT_TRUE(m_menu.log.empty());
    EXPECT_EQ(storedMode(), -1);

    const std::string first = m_dir.file("first");
    m_menu.answer = first;
    m_dialog->onCommand(dnd::kCmdOtherFolder);
    EXPECT_EQ(m_menu.inserted, std::vector<std::string>{"5 310 Output to:\"" + first + "\""});
    EXPECT_EQ(m_menu.radio, dnd::kPosCustomFolder);
    EXPECT_EQ(storedMode(), dnd::kOutputCustom);
    EXPECT_EQ(stored(dnd::kOutputDirCustomPathKey), first);
    EXPECT_EQ(stored(dnd::kLastBrowsedOutputDirKey), first);

    const std::string second = m_dir.file("second one");
    m_menu.answer = second;
    m_dialog->onCommand(dnd::kCmdOtherFolder);
    EXPECT_EQ(m_menu.asked.back(), first + " | Please select the output folder.");
    EXPECT_EQ(m_menu.inserted.size(), 1u);
    EXPECT_EQ(m_menu.texts[dnd::kCmdCustomFolder], "Output to:\"" + second + "\"");
    EXPECT_EQ(utf8(m_dialog->customOutputFolder().c_str()), second);

    // A menu built with the entry whose folder was then emptied still gets
    // no second entry.
    m_store->setString(dnd::kFileGroup, dnd::kOutputDirCustomPathKey, u"/kept");
    make();
    ASSERT_TRUE(m_state.hasCustomEntry);
    m_dialog->useOutputFolderForRun(u"");
    m_menu.inserted.clear();
    m_dialog->onCommand(dnd::kCmdOtherFolder);
    EXPECT_TRUE(m_menu.inserted.empty());
    EXPECT_EQ(m_menu.texts[dnd::kCmdCustomFolder], "Output to:\"" + second + "\"");
}

TEST_F(Commands, ViewTogglesFollowTheMenuChecks) {
    make();
    m_dialog->onCommand(dnd::kCmdKeepOnTop);
    EXPECT_TRUE(m_menu.checks[dnd::kCmdKeepOnTop]);
    EXPECT_TRUE(m_menu.keepOnTopBox);
    EXPECT_TRUE(m_behaviour.keepOnTop);
    m_dialog->onCommand(dnd::kCmdKeepOnTop);
    EXPECT_FALSE(m_menu.checks[dnd::kCmdKeepOnTop]);
    EXPECT_FALSE(m_menu.keepOnTopBox);
    EXPECT_FALSE(m_behaviour.keepOnTop);

    m_dialog->onCommand(dnd::kCmdEasyDrag);
    EXPECT_FALSE(m_menu.checks[dnd::kCmdEasyDrag]);
    EXPECT_FALSE(m_behaviour.easyDrag);

    // Checked at start (the stored action is "Close").
    m_dialog->onCommand(dnd::kCmdMiddleClickClose);
    EXPECT_FALSE(m_menu.checks[dnd::kCmdMiddleClickClose]);
    EXPECT_EQ(m_behaviour.action, s::gui::kActionDoNothing);
    m_dialog->onCommand(dnd::kCmdMiddleClickClose);
    EXPECT_TRUE(m_menu.checks[dnd::kCmdMiddleClickClose]);
    EXPECT_EQ(m_behaviour.action, s::gui::kActionClose);
}

TEST_F(Commands, TheEdgesOnlyPreciseCutIsOnByDefaultAndItsChoiceIsStored) {
    make();
    EXPECT_TRUE(m_state.hasSmartPrecise);
    EXPECT_TRUE(m_state.smartPrecise);
    EXPECT_TRUE(m_dialog->smartPrecise());
    m_dialog->onCommand(dnd::kCmdSmartPrecise);
    EXPECT_FALSE(m_menu.checks[dnd::kCmdSmartPrecise]);
    EXPECT_FALSE(m_dialog->smartPrecise());
    EXPECT_FALSE(m_store->getBool(dnd::kViewGroup, kSmartPreciseKey, true));

    // A new window reads it back; switching on again is stored too.
    make();
    EXPECT_FALSE(m_state.smartPrecise);
    EXPECT_FALSE(m_dialog->smartPrecise());
    m_dialog->onCommand(dnd::kCmdSmartPrecise);
    EXPECT_TRUE(m_menu.checks[dnd::kCmdSmartPrecise]);
    make();
    EXPECT_TRUE(m_dialog->smartPrecise());

    // A run's own choice (snipforge-cli --full-reencode) is not stored.
    m_dialog->setSmartPrecise(false, false);
    make();
    EXPECT_TRUE(m_dialog->smartPrecise());
}

TEST_F(Commands, LanguagePagesVersionAndUnknownIds) {
    make();
    m_dialog->onCommand(dnd::kCmdLanguageFirst + 1);
    EXPECT_EQ(utf8(m_localizer->currentLanguage()), "German");
    EXPECT_EQ(utf8(m_store->getString(s::lang::kLanguageGroup, u"", u"")), "German");
    EXPECT_EQ(m_menu.language, 1);
    EXPECT_EQ(m_menu.log, (std::vector<std::string>{"language", "layout"}));

    for (i32 command :
         {dnd::kCmdTranslate, dnd::kCmdHomePage, dnd::kCmdHelpPage, dnd::kCmdMakerSite, dnd::kCmdSupportPage})
        m_dialog->onCommand(command);
    m_dialog->openMakerPage();
    EXPECT_EQ(m_menu.urls, (std::vector<std::string>{
                               "https://maker.example/de/translate/", "https://maker.example/product/",
                               "https://maker.example/product/help/", "https://maker.example/",
                               "https://maker.example/product/support/", "https://maker.example/"}));
    m_menu.log.clear();
    m_dialog->onCommand(dnd::kCmdVersion);
    EXPECT_EQ(m_menu.log, std::vector<std::string>{"version"});

    // Ids without a meaning, and languages the pack does not have.
    m_menu.log.clear();
    m_menu.urls.clear();
    for (i32 command : {-1, 1, 99, 101, 311, 5000, 10001})
        m_dialog->onCommand(command);
    EXPECT_TRUE(m_menu.log.empty());
    EXPECT_TRUE(m_menu.urls.empty());
    EXPECT_EQ(utf8(m_localizer->currentLanguage()), "German");
    EXPECT_EQ(storedMode(), -1);
}

TEST_F(Commands, OpenRemembersTheFolderOfTheFirstChoice) {
    make();
    const std::string desktop = s::file::win::desktopFolder().toStdString();
    m_dialog->onCommand(dnd::kCmdOpen); // cancelled
    EXPECT_EQ(m_menu.asked, std::vector<std::string>{desktop + " | Video Files (*.*) | *.*"});
    EXPECT_EQ(stored(dnd::kLastBrowsedFileLoadDirKey), "<none>");

    // A folder as the first choice: it exists, so its parent is remembered;
    // the task starts and loads nothing.
    const std::string chosen = m_dir.file("chosen");
    std::filesystem::create_directories(chosen);
    m_menu.files = {chosen, m_dir.file("missing.mp4")};
    m_dialog->onCommand(dnd::kCmdOpen);
    m_dialog->waitUntilIdle();
    EXPECT_EQ(stored(dnd::kLastBrowsedFileLoadDirKey), m_dir.path());
    EXPECT_EQ(m_dialog->videoInfo(), nullptr);

    m_menu.files = {m_dir.file("gone/missing.mp4")};
    m_dialog->onCommand(dnd::kCmdOpen);
    m_dialog->waitUntilIdle();
    EXPECT_EQ(m_menu.asked.back(), m_dir.path() + " | Video Files (*.*) | *.*");
    EXPECT_EQ(stored(dnd::kLastBrowsedFileLoadDirKey), m_dir.path());
}

TEST_F(Commands, StatusBarFollowsTheJob) {
    make();
    Event start(s::event::kProcessStatusStart, 0, 0, nullptr);
    m_dialog->onNamedEvent(start);
    EXPECT_EQ(m_observer.take(), (std::vector<std::string>{"box shown", "progress 1000/0"}));

    StrBuffer name;
    name.set(u"clip.mp4");
    Event update(s::event::kProcessStatusUpdate, 100000, 50000, &name);
    m_dialog->onNamedEvent(update);
    EXPECT_EQ(m_observer.take(), (std::vector<std::string>{"progress 25001/12501", "status clip.mp4"}));
    Event small(s::event::kProcessStatusUpdate, 3, 0, &name);
    m_dialog->onNamedEvent(small);
    EXPECT_EQ(m_observer.take(), (std::vector<std::string>{"progress 4/1", "status clip.mp4"}));
    // Totals far beyond the bar's limit are halved into it as well.
    Event huge(s::event::kProcessStatusUpdate, i64{1} << 40, i64{1} << 39, nullptr);
    m_dialog->onNamedEvent(huge);
    EXPECT_EQ(m_observer.take(), std::vector<std::string>{"progress 16385/8193"});

    // After a stop request the reports are ignored.
    m_dialog->requestStop(false);
    EXPECT_EQ(m_observer.take(), std::vector<std::string>{"status Canceling.."});
    m_dialog->onNamedEvent(update);
    EXPECT_TRUE(m_observer.take().empty());

    Event end(s::event::kProcessStatusEnd, 0, 0, nullptr);
    m_dialog->onNamedEvent(end);
    EXPECT_EQ(m_observer.take(),
              (std::vector<std::string>{"progress 1/1", "status Done!", "status Ready", "box hidden"}));
    EXPECT_FALSE(m_dialog->isStopRequested());
    EXPECT_FALSE(m_dialog->isBusy());
}

TEST_F(Commands, ResultMessageIsShownWithoutKeepOnTop) {
    make();
    StrBuffer input;
    input.set(u"in.mp4");
    StrBuffer output;
    output.set(u"in.CUT.mp4");
    ReportPayload payload;
    payload.code = kReportSavedNoAudio;
    payload.inputName = &input;
    payload.outputName = &output;

    m_behaviour.keepOnTop = true;
    Event report(s::event::kReportError, 0, 0, &payload);
    m_dialog->onNamedEvent(report);
    EXPECT_EQ(report.result, 1);
    std::vector<std::string> events = m_observer.take();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0],
              "message The audio may not have been saved correctly.\nPlease check the created video "
              "file.\r\n\r\nInput File:  in.mp4\r\nOutput File:  in.CUT.mp4");
    EXPECT_EQ(m_windowEvents, (std::vector<std::string>{"not on top", "on top"}));
    EXPECT_TRUE(m_behaviour.keepOnTop);

    // Not on top: the state is left alone.
    m_windowEvents.clear();
    m_behaviour.keepOnTop = false;
    payload.code = kReportSaved;
    m_dialog->onNamedEvent(report);
    EXPECT_EQ(m_observer.take(),
              std::vector<std::string>{"message Saved Successfully!\r\n\r\nOutput File:  in.CUT.mp4\r\n\r\n"
                                       "(Please make sure the audio was saved correctly too.)"});
    EXPECT_TRUE(m_windowEvents.empty());

    // With its folder the message says where the scene went.
    StrBuffer folder;
    folder.set(u"/home/u/Videos");
    payload.outputFolder = &folder;
    m_dialog->onNamedEvent(report);
    EXPECT_EQ(m_observer.take(),
              std::vector<std::string>{"message Saved Successfully!\r\n\r\nOutput File:  in.CUT.mp4\r\n"
                                       "Folder:  /home/u/Videos\r\n\r\n"
                                       "(Please make sure the audio was saved correctly too.)"});
}

TEST_F(Commands, ClosingDuringACutStopsItWithoutAQuestion) {
    HeldTarget target;
    m_context.target = &target;
    make();
    target.dialog = m_dialog.get();
    const std::string clip = m_dir.file("clip.mp4");
    ASSERT_TRUE(s::test::writeFile(clip, "not really a video"));
    s::video::VideoInfo* info = s::video::VideoInfo::create();
    info->path().setUtf8(clip);
    info->setDurationUs(10000000);
    m_dialog->replaceLoadedFile(info, 40000, nullptr);
    m_dialog->onProbeDone();
    m_dialog->setPositions(1000000, 3000000);
    m_observer.take();

    ASSERT_TRUE(m_dialog->saveScene());
    target.waitStarted(); // the job runs and waits for the window
    EXPECT_TRUE(m_dialog->isBusy());
    m_dialog->onClose(800, 600);
    EXPECT_TRUE(m_dialog->isStopRequested());
    target.release();
    m_dialog->waitUntilIdle();

    EXPECT_EQ(target.reports.load(), 0); // the cut never began
    EXPECT_FALSE(m_dialog->isBusy());
    bool asked = false;
    for (const std::string& event : m_observer.take())
        asked = asked || event.rfind("message", 0) == 0;
    EXPECT_FALSE(asked);
    EXPECT_EQ(m_store->getS32(u"MainWindow\\View", u"LargeWidth", 0), 800);
}

TEST(SizeText, TenBitGroupsWithTwoTruncatedDecimals) {
    const std::pair<i64, const char*> cases[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048575, "1023.99 KB"},
        {1048576, "1.00 MB"},
        {1100000000, "1.02 GB"},
        {i64{5} << 40, "5.00 TB"},
        {i64{2048} << 40, "2048.00 TB"},
        {-1, "-"},
    };
    for (auto [bytes, text] : cases) {
        StrBuffer out;
        out.set(u"stale");
        Dialog::sizeText(bytes, out);
        EXPECT_EQ(out.toStdString(), text) << bytes;
    }
}

TEST(DurationText, WholeSecondsInBrackets) {
    StrBuffer out;
    Dialog::durationText(3723999999, out);
    EXPECT_EQ(out.toStdString(), "[01:02:03]");
    Dialog::durationText(0, out);
    EXPECT_EQ(out.toStdString(), "[00:00:00]");
    Dialog::durationText(i64{100} * 3600 * 1000000, out);
    EXPECT_EQ(out.toStdString(), "[100:00:00]");
}

} // namespace
