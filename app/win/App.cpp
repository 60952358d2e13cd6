#include "app/win/App.h"

#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/GdkScreens.h"
#include "foundation/file/win/OsText.h"
#include "foundation/lang/Localizer.h"
#include "foundation/str/StrArray.h"
#include "foundation/thread/Pool.h"
#include "foundation/thread/win/StopSignals.h"
#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "gui/events/IEventListener.h"
#include "gui/win/Button.h"
#include "gui/win/Label.h"
#include "gui/win/MenuEx.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "mainwindow/dragndrop/Frame.h"
#include "mainwindow/snipforge/CutterWindow.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/system/MessageSink.h"
#include "media/system/win/MediaLibraries.h"
#include "media/tool/ExternalTool.h"

#include <glib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace s::app::win {

namespace {

namespace dnd = ::s::gui::dialogs::dragndrop;
namespace cutter = ::s::video::gui::dialogs::snipforge;
using ::s::gui::win::MessageBoxW;
using ::s::gui::win::UIThread;

/// The main window's client size at display scale 1.
constexpr i32 kMainWidth = 700;
constexpr i32 kMainHeight = 680;

/// Media notices (missing libraries or encoders) as message boxes over the
/// main window.
class MessageBoxSink final : public system::IMessageSink {
public:
    void showInfo(const str::strbuffer::StrBuffer& text) override {
        MessageBoxW::runBox(nullptr, MessageBoxW::kInfo, text.c_str(), nullptr);
    }
};

/// The frame's behaviour changes go to the window's stored state.
class BehaviourStore final : public dnd::IBehaviourStore {
public:
    explicit BehaviourStore(AppWindow& state) : m_state(state) {}
    void storeKeepOnTop(bool onTop) override { m_state.setKeepOnTop(onTop); }
    void storeEasyDrag(bool easyDrag) override { m_state.setEasyDrag(easyDrag); }
    void storeMiddleClickAction(const char16_t* action) override { m_state.setOnMClick(action); }

private:
    AppWindow& m_state;
};

/// Keeps the window's position and size when it closes, while it still
/// shows (user-interface thread).
class CloseKeeper final : public gui::events::IEventListener {
public:
    CloseKeeper(AppWindow& state, gui::win::Window* window) : m_state(state), m_window(window) {}
    void onEvent(gui::IComponent* /*source*/, i32 /*code*/) override { m_state.storeState(m_window, true); }

private:
    AppWindow& m_state;
    gui::win::Window* m_window;
};

/// Writes the rectangles of the main controls to a file while the window
/// shows (see App). User-interface thread only.
class LayoutDump {
public:
    LayoutDump(std::string path, gui::win::Window* window, cutter::CutterWindow* view)
        : m_path(std::move(path)), m_window(window), m_view(view) {}
    ~LayoutDump() { stop(); }

    void start() {
        write();
        m_source = g_timeout_add(200, &LayoutDump::tick, this);
    }
    void stop() {
        if (m_source)
            g_source_remove(m_source);
        m_source = 0;
    }

private:
    static gboolean tick(gpointer self) {
        static_cast<LayoutDump*>(self)->write();
        return G_SOURCE_CONTINUE;
    }

    void add(std::string& out, const char* name, gui::win::Component* c) {
        if (!c || !c->isShowing())
            return;
        i32 x = 0;
        i32 y = 0;
        if (!c->getNativeHost(&x, &y))
            return;
        line(out, name, x, y, c->getWidth(), c->getHeight(), c->isEnabled());
    }
    static void line(std::string& out, const char* name, i32 x, i32 y, i32 w, i32 h, bool enabled = true) {
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "%s %d %d %d %d %d\n", name, x, y, w, h, enabled ? 1 : 0);
        out += buffer;
    }

    void write() {
        std::string out;
        line(out, "window", 0, 0, m_window->getWidth(), m_window->getHeight());
        i32 paintedWidth = 0;
        i32 paintedHeight = 0;
        m_window->getPaintedSize(&paintedWidth, &paintedHeight);
        line(out, "painted", 0, 0, paintedWidth, paintedHeight);
        if (gui::win::MenuEx* bar = m_view->frame().menuBar(); bar && bar->isShowing()) {
            i32 bx = 0;
            i32 by = 0;
            if (bar->getNativeHost(&bx, &by)) {
                const std::vector<i32>& boxes = bar->getTitleBoxes();
                static const char* const kTitles[] = {"menu.0", "menu.1", "menu.2", "menu.3"};
                for (std::size_t i = 0; i + 3 < boxes.size() && i / 4 < std::size(kTitles); i += 4)
                    line(out, kTitles[i / 4], bx + boxes[i], by + boxes[i + 1], boxes[i + 2] - boxes[i],
                         boxes[i + 3] - boxes[i + 1]);
            }
        }
        cutter::CutterPanel& panel = m_view->panel();
        add(out, "marker.start", panel.markerRadio(cutter::kEditStart));
        add(out, "marker.end", panel.markerRadio(cutter::kEditEnd));
        add(out, "time.start", panel.timeField(cutter::kEditStart));
        add(out, "time.end", panel.timeField(cutter::kEditEnd));
        add(out, "slider.start", panel.slider(cutter::kEditStart));
        add(out, "slider.end", panel.slider(cutter::kEditEnd));
        add(out, "mode.lossless", panel.cutModeRadio(cutter::kLosslessMode));
        add(out, "mode.precise", panel.cutModeRadio(cutter::kPreciseMode));
        add(out, "step.+1s", panel.stepButton(1, false));
        add(out, "step.-1s", panel.stepButton(-1, false));
        add(out, "step.+1f", panel.stepButton(1, true));
        add(out, "saveimage", panel.saveImageLabel());
        add(out, "save", panel.saveButton());
        add(out, "preview", panel.preview());
        if (out == m_last)
            return;
        // Readers never see half a file.
        const std::string temp = m_path + ".tmp";
        FILE* f = std::fopen(temp.c_str(), "w");
        if (!f)
            return;
        const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
        if (std::fclose(f) == 0 && ok && std::rename(temp.c_str(), m_path.c_str()) == 0)
            m_last = out;
    }

    std::string m_path;
    gui::win::Window* m_window;
    cutter::CutterWindow* m_view;
    std::string m_last;
    guint m_source = 0;
};

/// Opens files on the user-interface thread as a drop of them would; the
/// requests are queued, so the caller never waits for a message box they
/// may show. While the window is busy (a cut, an open, a message of one)
/// the latest request waits and is opened when the window is free, rather
/// than being dropped. Once `stop()` ran (on that thread) nothing more is
/// opened.
class FileOpener {
public:
    explicit FileOpener(cutter::Dialog& dialog) : m_dialog(dialog) {}
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;

    /// Any thread.
    void open(const std::vector<std::string>& files) {
        if (files.empty())
            return;
        auto paths = std::make_shared<str::strarray::StrArray>();
        for (const std::string& f : files) {
            str::strbuffer::StrBuffer path;
            file::win::appendFromOsText(f, path);
            paths->append(path.c_str());
        }
        std::shared_ptr<std::atomic<bool>> alive = m_alive;
        (void)UIThread::instance().post([this, alive, paths] {
            if (!alive->load())
                return;
            m_pending = paths;
            tryOpen();
        });
    }
    /// The window is built and shows: requests made before open now.
    /// User-interface thread.
    void start() {
        m_ready = true;
        tryOpen();
    }
    /// User-interface thread.
    void stop() {
        m_alive->store(false);
        if (m_retry)
            g_source_remove(m_retry);
        m_retry = 0;
        m_pending.reset();
    }

private:
    static constexpr guint kRetryMs = 250;

    void tryOpen() {
        if (!m_pending || !m_ready)
            return;
        if (m_dialog.isBusy()) {
            if (!m_retry)
                m_retry = g_timeout_add(kRetryMs, &FileOpener::retry, this);
            return;
        }
        const std::shared_ptr<str::strarray::StrArray> paths = std::move(m_pending);
        (void)m_dialog.openPaths(*paths);
    }
    static gboolean retry(gpointer self) {
        auto* opener = static_cast<FileOpener*>(self);
        opener->m_retry = 0;
        opener->tryOpen();
        return G_SOURCE_REMOVE;
    }

    cutter::Dialog& m_dialog;
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
    // User-interface thread.
    std::shared_ptr<str::strarray::StrArray> m_pending;
    guint m_retry = 0;
    bool m_ready = false;
};

} // namespace

int App::run(int argc, const char* const* argv) {
    // A tool whose pipe reader went away must not end the program, nor may
    // a write over the file-size limit: that write fails and is reported.
    video::tool::ignoreSigpipe();
    thread::win::ignoreFileSizeSignal();
    // SIGINT, SIGTERM and SIGHUP (logout, a closed terminal) close the
    // window as its close button does: a running cut is stopped and cleaned
    // up, and the shutdown below runs. The exit status is then 128 + the
    // signal's number.
    (void)thread::win::catchStopSignals();

    UIThread& ui = UIThread::instance();
    if (!ui.start()) {
        std::fputs("snipforge: cannot open a display (is DISPLAY or WAYLAND_DISPLAY set?)\n", stderr);
        thread::win::releaseStopSignals();
        return 1;
    }

    thread::Pooled<AppBase> app = thread::makePooled<AppBase>();
    // Without a language pack or a store the program still runs: the texts
    // fall back to English and nothing is remembered.
    (void)app->init(argc, argv);

    // The scale is chosen once, from the primary monitor in device pixels.
    GdkScreens screens;
    ui.invoke([&screens] { (void)screens.refresh(); });
    i32 deviceW = 0;
    i32 deviceH = 0;
    i32 factor = 1;
    const i32 scale = screens.getPrimaryDeviceSize(&deviceW, &deviceH, &factor)
                          ? programScaleFor(deviceW, deviceH, factor)
                          : 1;
    gui::setDisplayScale(scale);
    setScreenInfo(&screens);
    if (lang::Localizer* localizer = app->getLocalizer())
        MessageBoxW::setCaption(localizer->getText(app->getTextBase()));

    thread::Pooled<AppWindow> state = thread::makePooled<AppWindow>();
    state->init(app.get(), u"MainWindow", kMainWidth * scale, kMainHeight * scale, false, gui::kActionClose,
                app->getSkins(), nullptr, scale);

    // A later start ends here (status 0): the running window was asked to
    // come forward.
    if (app->checkStart()) {
        gui::win::Window* window = gui::win::Window::create();
        MessageBoxW::setMainWindow(window);

        dnd::DialogContext context;
        context.settings = app->getSettings();
        context.localizer = app->getLocalizer();
        context.hooks = state.get();
        context.target = window;
        auto dialog = std::make_unique<cutter::Dialog>(context);
        FileOpener opener(*dialog);
        // A later start's files open here as if dropped on the window.
        app->presentWindowOnRequest(window,
                                    [&opener](const std::vector<std::string>& files) { opener.open(files); });
        auto view = std::make_unique<cutter::CutterWindow>(*dialog);
        BehaviourStore behaviours(*state);
        view->setBehaviourStore(&behaviours);
        CloseKeeper keeper(*state, window);

        // Missing libraries are reported and the window still runs: it can
        // show what is wrong, it just cannot open or cut anything.
        MessageBoxSink sink;
        system::setMessageSink(&sink);
        const bool mediaLoaded = system::win::loadMediaLibraries();

        std::unique_ptr<LayoutDump> dump;
        if (const char* dumpPath = std::getenv("SNIPFORGE_DUMP_LAYOUT"); dumpPath && *dumpPath)
            dump = std::make_unique<LayoutDump>(dumpPath, window, view.get());

        ui.invoke([&] {
            state->attachState(window, true);
            (void)view->build(window);
            window->addCloseListener(&keeper);
            state->showWindow(window, true, true);
            if (dump)
                dump->start();
            opener.start();
        });
        // Files named on the command line ("Open With" of a file manager).
        opener.open(app->fileArguments());

        thread::win::setStopFunction([window](int) { window->close(); });
        window->waitUntilClosed();
        thread::win::setStopFunction({});

        // No later start may reach the window from now on.
        app->presentWindowOnRequest(nullptr);
        dialog->requestStop(true);
        if (mediaLoaded)
            system::win::unloadMediaLibraries();
        system::setMessageSink(nullptr);
        ui.invoke([&] {
            opener.stop();
            if (dump)
                dump->stop();
            MessageBoxW::forgetMainWindow(window);
            window->release();
        });
        dump.reset();
        // The view and the dialog go after the window: its events reach them.
        view.reset();
        dialog.reset();
    }

    setScreenInfo(nullptr);
    state.reset();
    (void)app->saveSettings();
    app.reset();
    ui.invoke([&screens] { screens.detach(); });
    ui.stop();
    thread::win::releaseStopSignals();
    // The runtime folder (path aliases, frame pipe) goes with the process's
    // exit handlers, which run when this returns from main.
    return thread::win::exitStatusAfterSignal(0);
}

} // namespace s::app::win
