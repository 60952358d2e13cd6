// snipforge-cli cut FILE --start T --end T [--precise [--full-reencode]]
// [--out DIR]: opens FILE with the cutter's model and saves the scene between
// the two positions, exactly as the window's Save button does. A precise cut
// re-encodes only the edges when the stored View choice says so (the
// default); --full-reencode re-encodes the whole scene this once.

#include "foundation/event/EventLoop.h"
#include "foundation/reg/MappedData.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/TimeText.h"
#include "foundation/thread/win/StopSignals.h"
#include "mainwindow/snipforge/Dialog.h"
#include "tools/snipforge-cli/Command.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

namespace s::cli {

namespace {

using str::strbuffer::StrBuffer;
using str::timetext::kCutPosition;
using str::timetext::parseTime;
using video::gui::dialogs::snipforge::Dialog;
using video::gui::dialogs::snipforge::ReportPayload;

std::string printable(const char16_t* text) {
    StrBuffer b;
    b.set(text);
    b.replaceAll(u"\r\n", u"\n");
    return b.toStdString();
}

// Prints what the window would show.
class Printer final : public gui::dialogs::dragndrop::IDialogObserver {
public:
    void onStatusText(const char16_t* text) override {
        std::printf("status: %s\n", printable(text).c_str());
        std::fflush(stdout);
    }
    void onProgress(i64 range, i64 value) override {
        if (range > 1) {
            std::printf("progress %lld/%lld\n", static_cast<long long>(value), static_cast<long long>(range));
            std::fflush(stdout);
        }
    }
    void onMessage(const char16_t* text) override {
        std::lock_guard<std::mutex> guard(m_lock);
        std::printf("%s\n", printable(text).c_str());
        std::fflush(stdout);
    }

private:
    std::mutex m_lock; // messages may come from the worker too
};

// Keeps the result code of the last "ReportError".
class ResultListener final : public event::INamedEventListener {
public:
    void onNamedEvent(event::INamedEventSource& source) override {
        if (source.getEventName() != event::kReportError)
            return;
        if (auto* payload = dynamic_cast<ReportPayload*>(source.getEventObject())) {
            code = payload->code;
            error = payload->errorText ? payload->errorText->toStdString() : std::string();
        }
    }
    // Written on the loop thread, read after the job ended.
    int code = -1;
    std::string error; // the failure's first error line
};

std::string absolute(const char* path) {
    if (path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    std::string out = cwd;
    if (out.back() != '/')
        out += '/';
    return out + path;
}

} // namespace

int runCut(std::span<char* const> args) {
    const char* file = nullptr;
    const char* startText = nullptr;
    const char* endText = nullptr;
    const char* outDir = nullptr;
    bool precise = false;
    bool fullReencode = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i];
        if (std::strcmp(arg, "--start") == 0 && i + 1 < args.size()) {
            startText = args[++i];
        } else if (std::strcmp(arg, "--end") == 0 && i + 1 < args.size()) {
            endText = args[++i];
        } else if (std::strcmp(arg, "--out") == 0 && i + 1 < args.size()) {
            outDir = args[++i];
        } else if (std::strcmp(arg, "--precise") == 0) {
            precise = true;
        } else if (std::strcmp(arg, "--full-reencode") == 0) {
            fullReencode = true;
        } else if (std::strcmp(arg, "--") == 0 && i + 1 < args.size() && !file) {
            file = args[++i];
        } else if (!file && (arg[0] != '-' || arg[1] == '\0')) {
            file = arg;
        } else {
            printError((std::string("cut: unknown argument ") + arg).c_str());
            return kExitUsage;
        }
    }
    i64 startUs = 0;
    i64 endUs = 0;
    if (!file || !startText || !endText) {
        printError("cut: give FILE, --start T and --end T");
        return kExitUsage;
    }
    if (!parseTime(startText, kCutPosition, startUs) || !parseTime(endText, kCutPosition, endUs)) {
        printError("cut: a time is seconds (65.2), m:ss[.mmm] or h:mm:ss[.mmm]");
        return kExitUsage;
    }

    thread::Pooled<reg::MappedData> store = thread::makePooled<reg::MappedData>();
    StrBuffer keyPath;
    reg::MappedData::storeKeyPath(keyPath, kProductIdentifier);
    map::IMappedData* settings = store->open(keyPath.c_str()) ? store.get() : nullptr;

    event::EventLoop loop;
    if (!loop.start()) {
        printError("cut: could not start the event thread");
        return kExitFailure;
    }
    Printer printer;
    ResultListener result;
    int status = kExitFailure;
    {
        gui::dialogs::dragndrop::DialogContext context;
        context.settings = settings;
        context.localizer = localizer(); // status and result texts as the window words them
        context.target = &loop;
        Dialog dialog(context);
        dialog.setObserver(&printer);
        loop.addNamedEventListener(&dialog);
        loop.addNamedEventListener(&result);
        dialog.loadSettings();
        dialog.setCutMode(precise ? 1 : 0, false);
        if (fullReencode)
            dialog.setSmartPrecise(false, false);
        if (outDir) {
            StrBuffer folder;
            folder.setUtf8(absolute(outDir));
            dialog.useOutputFolderForRun(folder.c_str());
        }

        // A stop signal is the Cancel button.
        thread::win::setStopFunction([&dialog](int) { dialog.requestStop(false); });

        StrBuffer path;
        path.setUtf8(absolute(file));
        str::strarray::StrArray paths;
        paths.append(path.c_str());
        if (dialog.openPaths(paths)) {
            dialog.waitUntilIdle();
            if (thread::win::stopSignal() != 0) {
                // Stopped before the cut began: nothing to clean up.
            } else if (!dialog.videoInfo()) {
                printError(("cut: " + text(3007000, "The program failed to open the file.")).c_str());
            } else if (endUs <= startUs) {
                printError("cut: the end must lie after the start");
                status = kExitUsage;
            } else {
                dialog.setPositions(startUs, endUs);
                if (dialog.saveScene()) {
                    // Starting the task clears the stop flag: a signal that
                    // arrived meanwhile stops it now.
                    if (thread::win::stopSignal() != 0)
                        dialog.requestStop(false);
                    dialog.waitUntilIdle();
                    status = result.code == 0 || result.code == 5 ? kExitSuccess : kExitFailure;
                    if (status != kExitSuccess && !result.error.empty())
                        printError(("cut: " + result.error).c_str());
                } else {
                    printError("cut: nothing to save (empty scene or unusable output folder)");
                }
            }
        }
        thread::win::setStopFunction({});
        loop.stop();
        loop.removeNamedEventListener(&result);
        loop.removeNamedEventListener(&dialog);
    }
    return status;
}

} // namespace s::cli
