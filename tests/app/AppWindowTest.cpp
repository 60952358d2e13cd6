#include "app/win/AppWindow.h"
#include "app/IAppBase.h"
#include "app/win/LauncherEntry.h"
#include "app/win/WindowGeometry.h"
#include "foundation/lang/Localizer.h"
#include "foundation/reg/MappedData.h"
#include "gui/IWindow.h"
#include "resources/Resources.h"
#include "tests/app/AppTestEnv.h"
#include "tests/app/CountingStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace s::app::win {
namespace {

using test::CountingStore;

// The application base as far as a window's state needs it.
class FakeApp final : public IAppBase {
public:
    FakeApp(map::IMappedData* store, lang::Localizer* localizer) : m_store(store), m_localizer(localizer) {}
    base::IObject* newInstance() const override { return nullptr; }
    const char16_t* getClassName() const override { return u"FakeApp"; }
    lang::Localizer* getLocalizer() const override { return m_localizer; }
    map::IMappedData* getSettings() const override { return m_store; }
    const process::commandline::ICommandLine* getCommandLine() const override { return nullptr; }
    const file::win::PathWin* getModule() const override { return nullptr; }
    const file::win::PathWin* getModuleFolder() const override { return nullptr; }
    i32 getTextBase() const override { return kTextBase; }
    image::win::BufferedImage* getIcon16() const override { return nullptr; }
    image::win::BufferedImage* getIcon32() const override { return nullptr; }
    image::win::BufferedImage* getIcon64() const override { return nullptr; }
    image::win::BufferedImage* getIcon128() const override { return nullptr; }
    image::win::BufferedImage* getIcon256() const override { return nullptr; }
    bool hasSkins() const override { return false; }
    ISkinManager* getSkins() const override { return nullptr; }
    const char16_t* getLanguage() override { return u"English"; }
    bool setLanguage(const char16_t*) override { return true; }
    const char16_t* getSkin() override { return u""; }
    bool setSkin(const char16_t*) override { return true; }
    bool saveSettings() override { return true; }
    bool activateRunningInstance() override { return false; }
    bool checkSilentInstall() override { return false; }

private:
    map::IMappedData* m_store;
    lang::Localizer* m_localizer;
};

class FixedScreens final : public IScreenInfo {
public:
    FixedScreens(Rect screen, Rect work) : m_screen(screen), m_work(work) {}
    bool getVirtualScreen(Rect* out) const override { return *out = m_screen, true; }
    bool getWorkArea(Rect* out) const override { return *out = m_work, true; }

private:
    Rect m_screen;
    Rect m_work;
};

class RecordingTaskbar final : public ITaskbar {
public:
    void update(bool visible, double progress) override { calls.emplace_back(visible, progress); }
    std::vector<std::pair<bool, double>> calls;
};

class AppWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_env.ok());
        ASSERT_TRUE(m_reg->open(u"Software\\Zarvo\\WindowTest\\SaveData"));
        const auto pack = resources::languagePackXml();
        ASSERT_TRUE(m_localizer->loadUtf8(pack.data(), static_cast<u32>(pack.size())));
    }

    /// A main window's state at `scale`, over the counting store.
    thread::Pooled<AppWindow> makeWindow(i32 scale = 1) {
        auto window = thread::makePooled<AppWindow>();
        window->init(&m_app, u"MainWindow", 700 * scale, 680 * scale, false, gui::kActionClose, nullptr,
                     nullptr, scale);
        window->setScreenInfo(&m_screens);
        window->setTaskbar(&m_taskbar);
        m_store.clearWrites();
        return window;
    }

    test::AppTestEnv m_env;
    thread::Pooled<reg::MappedData> m_reg = thread::makePooled<reg::MappedData>();
    CountingStore m_store{*m_reg};
    thread::Pooled<lang::Localizer> m_localizer = thread::makePooled<lang::Localizer>();
    FakeApp m_app{&m_store, m_localizer.get()};
    FixedScreens m_screens{{0, 0, 1920, 1080}, {0, 30, 1920, 1050}};
    RecordingTaskbar m_taskbar;
};

TEST_F(AppWindowTest, SizesFollowTheScaleWhileBehavioursAreShared) {
    auto window = makeWindow(2);
    EXPECT_EQ(std::u16string(window->getViewGroup()), u"View4K");
    EXPECT_TRUE(window->setWidth(1400));
    EXPECT_TRUE(window->setKeepOnTop(true));
    EXPECT_EQ(m_store.writes(),
              (std::vector<std::u16string>{u"MainWindow\\View4K|Width", u"MainWindow\\View|KeepOnTop"}));
    EXPECT_EQ(m_reg->getS32(u"MainWindow\\View4K", u"Width", 0), 1400);

    // Another scale remembers its own size but shares the behaviours.
    auto small = makeWindow(1);
    EXPECT_FALSE(small->hasWidth());
    EXPECT_EQ(small->getWidth(), 700);
    EXPECT_TRUE(small->getKeepOnTop());
    EXPECT_EQ(std::u16string(makeWindow(4)->getViewGroup()), u"View8K");
}

TEST_F(AppWindowTest, CreationWritesIdentityAndKeepsAutoSave) {
    m_reg->setAutoSave(true);
    auto window = thread::makePooled<AppWindow>();
    window->init(&m_app, u"MainWindow", 700, 680, false, gui::kActionClose);
    EXPECT_EQ(std::u16string(m_reg->getString(u"MainWindow\\SoftwareID", u"", u"")), u"Zarvo Snipforge");
    EXPECT_EQ(std::u16string(m_reg->getString(u"MainWindow\\Version", u"", u"")), u"1.17");
    EXPECT_TRUE(m_reg->isAutoSave());
    // Creating reads OnMClick but does not store the default.
    EXPECT_FALSE(m_reg->hasKey(u"MainWindow\\View", u"OnMClick"));
}

TEST_F(AppWindowTest, DefaultsWhileNothingIsStored) {
    auto window = makeWindow();
    EXPECT_FALSE(window->hasPosition());
    EXPECT_EQ(window->getX(), 0);
    EXPECT_EQ(window->getHeight(), 680);
    EXPECT_TRUE(window->getEasyDrag());
    EXPECT_FALSE(window->getMaximized());
    EXPECT_FALSE(window->getKeepOnTop());
    EXPECT_TRUE(window->isOnMClickClose());
    EXPECT_TRUE(m_store.writes().empty());

    window->setX(5);
    EXPECT_FALSE(window->hasPosition()); // X alone is no position
    window->setBounds(5, 6, 300, 200);
    EXPECT_TRUE(window->hasPosition());
    window->clearBounds();
    EXPECT_FALSE(window->hasX() || window->hasY() || window->hasWidth() || window->hasHeight());
    EXPECT_EQ(window->getWidth(), 700);
}

TEST_F(AppWindowTest, MiddleClickTextsAreNormalisedAndStoredOnlyWhenChanged) {
    auto window = makeWindow();
    EXPECT_EQ(window->getOnMClick(), gui::kActionClose); // the default, by identity

    m_reg->setString(u"MainWindow\\View", u"OnMClick", u"Iconize");
    EXPECT_EQ(window->getOnMClick(), gui::kActionIconize);
    EXPECT_TRUE(window->isOnMClickIconize());
    for (const char16_t* other : {u"Bogus", u"close", u""}) {
        m_reg->setString(u"MainWindow\\View", u"OnMClick", other);
        EXPECT_EQ(window->getOnMClick(), gui::kActionDoNothing);
    }

    // Creation normalises the current action; setting it again writes nothing.
    auto fresh = makeWindow();
    EXPECT_TRUE(fresh->setOnMClick(u"DoNothing"));
    EXPECT_TRUE(m_store.writes().empty());
    EXPECT_TRUE(fresh->setOnMClick(u"Iconize"));
    EXPECT_EQ(m_store.writes().size(), 1u);
    EXPECT_TRUE(fresh->setOnMClick(u"nonsense"));
    EXPECT_EQ(std::u16string(m_reg->getString(u"MainWindow\\View", u"OnMClick", u"")), u"DoNothing");
}

TEST_F(AppWindowTest, StoringTheStateOfAMaximizedMinimizedOrNormalWindow) {
    auto window = makeWindow();
    window->setBounds(100, 50, 700, 680);
    m_store.clearWrites();

    // Maximized: only the flag, once.
    window->storeState(WindowState{true, false, true, false, {0, 0, 1920, 1050}});
    EXPECT_EQ(m_store.writes(), std::vector<std::u16string>{u"MainWindow\\View|Maximized"});
    EXPECT_TRUE(window->getMaximized());
    EXPECT_EQ(window->getX(), 100);
    EXPECT_EQ(window->getWidth(), 700);
    m_store.clearWrites();
    window->storeState(WindowState{true, false, true, false, {0, 0, 1920, 1050}});
    EXPECT_TRUE(m_store.writes().empty());

    // Minimized or hidden: nothing.
    window->storeState(WindowState{true, true, false, false, {-32000, -32000, 160, 24}});
    window->storeState(WindowState{false, false, false, false, {1, 2, 3, 4}});
    EXPECT_TRUE(m_store.writes().empty());

    // Restored and moved: the flag goes, only what changed is written.
    window->storeState(WindowState{true, false, false, false, {120, 50, 700, 680}});
    EXPECT_EQ(m_store.writes(),
              (std::vector<std::u16string>{u"MainWindow\\View|Maximized", u"MainWindow\\View|X"}));
    EXPECT_FALSE(window->getMaximized());
    m_store.clearWrites();
    window->storeState(WindowState{true, false, false, false, {120, 50, 700, 680}});
    EXPECT_TRUE(m_store.writes().empty());

    // A temporary placement is not kept.
    window->storeState(WindowState{true, false, false, true, {900, 900, 10, 10}});
    EXPECT_TRUE(m_store.writes().empty());
}

TEST_F(AppWindowTest, AttachingPlacesStoredWindowsAndCentresLostOnes) {
    auto window = makeWindow(2);
    AttachPlan plan = window->planAttach();
    EXPECT_FALSE(plan.placed);
    EXPECT_EQ(plan.bounds.width, 1400);
    EXPECT_EQ(plan.smallIcon, 32);
    EXPECT_EQ(plan.bigIcon, 64);
    EXPECT_EQ(plan.middleClick, gui::kActionClose);
    EXPECT_TRUE(plan.easyDrag);

    window->setBounds(100, 80, 800, 600);
    plan = window->planAttach();
    EXPECT_TRUE(plan.placed);
    EXPECT_FALSE(plan.centred);
    EXPECT_EQ(plan.bounds, (Rect{100, 80, 800, 600}));

    // Left behind on a monitor that is gone: centred in the work area.
    window->setX(20000);
    plan = window->planAttach();
    EXPECT_TRUE(plan.centred);
    EXPECT_EQ(plan.bounds, (Rect{560, 255, 800, 600}));

    // A size the screen cannot hold falls back to the default size.
    window->setBounds(100, 80, 5, 4000);
    plan = window->planAttach();
    EXPECT_EQ(plan.bounds.width, 1400);
    EXPECT_EQ(plan.bounds.height, 1360);
    EXPECT_FALSE(window->isWidthValid());
    EXPECT_FALSE(window->isHeightValid());
    window->setSize(10, 1080);
    EXPECT_TRUE(window->isWidthValid());
    EXPECT_TRUE(window->isHeightValid());
}

TEST_F(AppWindowTest, ShowingRestoresMaximizesOrCentres) {
    auto window = makeWindow();
    const WindowState hidden{false, false, false, false, {0, 0, 400, 300}};

    // No position stored: centred.
    ShowPlan plan = window->planShow(hidden, false);
    EXPECT_TRUE(plan.centre);
    ASSERT_TRUE(plan.haveTarget);
    EXPECT_EQ(plan.target, (Rect{760, 405, 400, 300}));
    EXPECT_FALSE(window->planShow(hidden, false, false).centre);

    // Stored on screen: stays.
    window->setBounds(10, 10, 400, 300);
    EXPECT_FALSE(window->planShow(WindowState{false, false, false, false, {10, 10, 400, 300}}, false).centre);
    EXPECT_TRUE(
        window->planShow(WindowState{false, false, false, false, {5000, 10, 400, 300}}, false).centre);
    // The window's own judgement, where the screens are unknown.
    EXPECT_TRUE(
        window->planShow(WindowState{false, false, false, false, {10, 10, 400, 300}}, false, true, false)
            .centre);

    // Last hidden maximized: maximized again, unless it is already.
    window->setMaximized(true);
    plan = window->planShow(WindowState{false, true, false, false, {10, 10, 400, 300}}, true);
    EXPECT_TRUE(plan.restore);
    EXPECT_TRUE(plan.maximize);
    EXPECT_FALSE(plan.centre);
    plan = window->planShow(WindowState{false, false, true, false, {0, 0, 1920, 1050}}, false);
    EXPECT_FALSE(plan.maximize || plan.centre || plan.restore);

    // Already shown: nothing.
    plan = window->planShow(WindowState{true, true, false, false, {5000, 10, 400, 300}}, true);
    EXPECT_FALSE(plan.maximize || plan.centre || plan.restore);
}

TEST_F(AppWindowTest, ProgressHooksDriveTheTaskbar) {
    auto window = makeWindow();
    window->processStarted(nullptr);
    window->processProgress(nullptr, 200, 50);
    window->processProgress(nullptr, 0, 50);    // no total known
    window->processProgress(nullptr, 100, 150); // past the end
    window->processProgress(nullptr, 100, -5);
    window->processEnded(nullptr);
    const std::vector<std::pair<bool, double>> expected = {{true, 0.0}, {true, 0.25}, {true, 0.0},
                                                           {true, 1.0}, {true, 0.0},  {false, 0.0}};
    EXPECT_EQ(m_taskbar.calls, expected);

    m_taskbar.calls.clear();
    window->setTaskbar(nullptr);
    window->taskbarBusy(nullptr);
    window->taskbarProgress(nullptr, 1, 2);
    window->taskbarClear(nullptr);
    EXPECT_TRUE(m_taskbar.calls.empty());
}

TEST(LauncherEntryTest, UpdatesWithoutASessionBusReturnAtOnce) {
    test::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", nullptr);
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/nonexistent-runtime-folder");
    // Nothing to connect to: no thread, no autolaunched bus, no waiting.
    LauncherEntry::instance().update(true, 0.5);
    LauncherEntry::instance().update(false, 0.0);
}

TEST(WindowGeometryTest, OnScreenNeedsTenPixelsEachWay) {
    const Rect screen{-1280, 0, 3200, 1080}; // a monitor left of the primary one
    EXPECT_TRUE(isOnScreen({-1000, 100, 400, 300}, screen));
    EXPECT_FALSE(isOnScreen({0, 0, 10, 300}, screen));
    EXPECT_FALSE(isOnScreen({0, 0, 300, 10}, screen));
    EXPECT_TRUE(isOnScreen({0, 0, 11, 11}, screen));
    // Overlap of exactly 10 pixels counts; 9 does not.
    EXPECT_TRUE(isOnScreen({1910, 500, 400, 300}, screen));
    EXPECT_FALSE(isOnScreen({1911, 500, 400, 300}, screen));
    EXPECT_TRUE(isOnScreen({-1680, 500, 410, 300}, screen));
    EXPECT_FALSE(isOnScreen({-1681, 500, 410, 300}, screen));
    EXPECT_FALSE(isOnScreen({100, 1071, 400, 300}, screen));
    EXPECT_FALSE(isOnScreen({20000, 100, 400, 300}, screen));
}

TEST(WindowGeometryTest, KeepOnScreenAndCentring) {
    const Rect screen{0, 0, 1920, 1080};
    EXPECT_EQ(keepOnScreen({1800, 900, 400, 300}, screen), (Rect{1520, 780, 400, 300}));
    EXPECT_EQ(keepOnScreen({-50, -20, 400, 300}, screen), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(keepOnScreen({100, 100, 400, 300}, screen), (Rect{100, 100, 400, 300}));
    // Larger than the screen: the left and top edges win.
    EXPECT_EQ(keepOnScreen({500, 500, 2500, 1200}, screen), (Rect{0, 0, 2500, 1200}));

    const Rect work{0, 30, 1920, 1050};
    EXPECT_EQ(centreIn({0, 0, 700, 680}, work), (Rect{610, 215, 700, 680}));
    EXPECT_EQ(centreIn({0, 0, 2500, 1200}, work), (Rect{0, 30, 2500, 1200}));
}

} // namespace
} // namespace s::app::win
