// snipforge-cli frame FILE --at T --out IMAGE: the picture the preview shows
// at position T, grabbed through the frame grabber and written in the format
// IMAGE's extension names, through that format's stored encode setting as the
// window's "Save as Image" writes it.
//
// snipforge-cli frame FILE --at T1,T2,... --out DIR [--type EXT]: several
// positions served in order by one grabber kept open, as the window steps
// through a file; DIR receives 0001.bmp, 0002.bmp, ... (EXT picks another
// format), and each picture's time from its request to its arrival is
// printed.

#include "foundation/event/EventLoop.h"
#include "foundation/event/INamedEventListener.h"
#include "foundation/file/win/OsText.h"
#include "foundation/reg/MappedData.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/str/TimeText.h"
#include "foundation/thread/Pool.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/ImageTypes.h"
#include "media/tool/ExternalTool.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"
#include "preview/VideoToImageThread.h"
#include "tools/snipforge-cli/Command.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace s::cli {

namespace {

using video::gui::dialogs::snipforge::VideoToImageThread;
namespace types = video::gui::dialogs::snipforge;

/// How long one grab may take before the command gives up: generous, since
/// the decoder may have to run two seconds of video on a busy machine.
constexpr auto kGrabLimit = std::chrono::seconds(120);

/// Takes the grabber's picture on the event loop's thread, as the window's
/// listener would, and tells the waiting command.
class PictureListener : public event::INamedEventListener {
public:
    PictureListener(VideoToImageThread* grabber, image::win::BufferedImage* image)
        : m_grabber(grabber), m_image(image) {}

    void onNamedEvent(event::INamedEventSource& source) override {
        if (source.getEventName() != event::kUpdateVideoImage)
            return;
        // The grabber repeats its event while its picture waits (about every
        // half second). A repeat queued behind the event that took the
        // picture must not count as the next picture: the buffer then holds
        // the previous picture, or nothing while the next grab runs.
        if (!m_grabber->isImagePending())
            return;
        const bool copied = m_grabber->takeImage(m_image);
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_delivered) {
            m_delivered = true;
            m_copied = copied;
        }
        m_changed.notify_all();
    }

    /// Waits for the next picture; false when none came in time. `copied`
    /// tells whether it held a picture. The next wait is for the picture
    /// after it.
    bool wait(bool* copied) {
        std::unique_lock<std::mutex> guard(m_lock);
        const bool delivered = m_changed.wait_for(guard, kGrabLimit, [this] { return m_delivered; });
        *copied = m_copied;
        m_delivered = false;
        return delivered;
    }

private:
    VideoToImageThread* m_grabber;
    image::win::BufferedImage* m_image;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_delivered = false; // guarded by m_lock
    bool m_copied = false;    // guarded by m_lock
};

int fail(const std::string& text) {
    printError(("frame: " + text).c_str());
    return kExitFailure;
}

} // namespace

int runFrame(std::span<char* const> args) {
    const char* file = nullptr;
    const char* at = nullptr;
    const char* out = nullptr;
    const char* typeName = nullptr;
    bool endOfOptions = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i];
        if (!endOfOptions && std::strcmp(arg, "--") == 0) {
            endOfOptions = true;
        } else if (!endOfOptions && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::printf("usage: snipforge-cli frame FILE --at T --out IMAGE\n"
                        "       snipforge-cli frame FILE --at T1,T2,... --out DIR [--type EXT]\n"
                        "  T: seconds (65.2) or h:mm:ss[.mmm] from the start of the file\n"
                        "  IMAGE: its extension names the format: bmp, jpg or jpeg, png, gif, ico or icon\n"
                        "  DIR: receives 0001.bmp, 0002.bmp, ... in the order of the times (EXT: another\n"
                        "       of the formats); one line per picture tells how long it took\n");
            return kExitSuccess;
        } else if (!endOfOptions && (std::strcmp(arg, "--at") == 0 || std::strcmp(arg, "--out") == 0 ||
                                     std::strcmp(arg, "--type") == 0)) {
            if (i + 1 >= args.size())
                return fail(std::string(arg) + " needs a value");
            (arg[2] == 'a' ? at : arg[2] == 'o' ? out : typeName) = args[++i];
        } else if (!file) {
            file = arg;
        } else {
            return fail(std::string("unexpected argument \"") + arg + "\"");
        }
    }
    if (!file || !at || !out)
        return fail("usage: snipforge-cli frame FILE --at T --out IMAGE");
    // Several times (a comma in --at) go into a folder.
    std::vector<std::string> times;
    for (const char* p = at;;) {
        const char* comma = std::strchr(p, ',');
        times.emplace_back(p, comma ? static_cast<size_t>(comma - p) : std::strlen(p));
        if (!comma)
            break;
        p = comma + 1;
    }
    const bool series = times.size() > 1;
    if (typeName && !series)
        return fail("--type goes with several times (--at T1,T2,...) and an output folder");
    // The format comes first: a name that selects none is refused before
    // any work, and nothing is written.
    std::u16string extension = series ? file::win::fromOsText(typeName ? typeName : "bmp")
                                      : types::extensionOf(file::win::fromOsText(out));
    const types::ImageTypeInfo* type = types::imageTypeForExtension(extension);
    if (!type) {
        printError((std::string("frame: ") + (series && typeName ? typeName : out) + ": " +
                    text(3011000, "The picture was not saved: the file name must end in an image type the "
                                  "program can write.") +
                    " " + text(3011001, "Supported types:") + " " +
                    file::win::toOsText(types::supportedExtensionsText()))
                       .c_str());
        return kExitUsage;
    }
    std::vector<i64> positions;
    for (const std::string& time : times) {
        i64 positionUs = 0;
        if (!str::timetext::parseTime(time, str::timetext::kFramePosition, positionUs))
            return fail("bad time \"" + time + "\" (seconds such as 65.2, or h:mm:ss.mmm)");
        positions.push_back(positionUs);
    }
    if (series) {
        struct stat status {};
        if (::stat(out, &status) != 0 || !S_ISDIR(status.st_mode))
            return fail(std::string(out) + ": not a folder (several times write into a folder)");
    }

    // The tool runs in the file's folder, so it gets the absolute name.
    char* resolved = ::realpath(file, nullptr);
    if (!resolved)
        return fail(std::string(file) + ": " + std::strerror(errno));
    str::strbuffer::StrBuffer path;
    path.setUtf8(resolved);
    std::free(resolved);

    str::strbuffer::StrBuffer failure;
    thread::Pooled<video::VideoInfo> info;
    {
        std::lock_guard<thread::ObjLocker> guard(VideoToImageThread::sharedGrabLock());
        info.reset(video::probe(path, &failure));
    }
    if (!info->opened())
        return fail(std::string(file) + ": " + failure.toStdString());
    const video::StreamInfo* stream = info->firstStreamOfType(1);
    if (!stream || stream->width() <= 0 || stream->height() <= 0)
        return fail(std::string(file) + ": " +
                    text(3009040, "It has no video stream (an audio file?): only videos can be cut."));
    for (size_t i = 0; i < positions.size(); ++i) {
        if (info->durationUs() > 0 && positions[i] >= info->durationUs())
            return fail("position " + times[i] + " lies at or beyond the end of the file");
    }

    event::EventLoop loop;
    if (!loop.start())
        return fail("could not start the event thread");
    thread::Pooled<image::win::BufferedImage> image = thread::makePooled<image::win::BufferedImage>();
    thread::Pooled<VideoToImageThread> grabber(VideoToImageThread::createFor(
        &loop, path, stream->displayWidth(), stream->displayHeight(), video::tool::externalToolAvailable()));
    if (!grabber) {
        loop.stop();
        return fail("could not start the frame grabber");
    }
    PictureListener listener(grabber.get(), image.get());
    loop.addNamedEventListener(&listener);

    // The window's settings store, when there is one, holds the encode
    // settings; without it the defaults stand.
    thread::Pooled<reg::MappedData> store = thread::makePooled<reg::MappedData>();
    str::strbuffer::StrBuffer keyPath;
    reg::MappedData::storeKeyPath(keyPath, kProductIdentifier);
    map::IMappedData* settings = store->open(keyPath.c_str()) ? store.get() : nullptr;

    int status = kExitSuccess;
    for (size_t i = 0; i < positions.size() && status == kExitSuccess; ++i) {
        const auto asked = std::chrono::steady_clock::now();
        grabber->requestFrame(positions[i]);
        bool copied = false;
        const bool delivered = listener.wait(&copied);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - asked).count();
        if (!delivered) {
            status = fail("the frame grab did not finish");
            break;
        }
        if (!copied) {
            status = fail("no picture at " + times[i]);
            break;
        }
        std::string target = out;
        if (series) {
            char name[32];
            std::snprintf(name, sizeof name, "/%04zu.", i + 1);
            target += name + file::win::toOsText(extension);
        }
        int error = 0;
        switch (types::writeImageFile(image.get(), type->type, settings, target.c_str(), &error)) {
        case types::ImageWriteResult::kWritten:
            if (series)
                std::printf("frame %zu at %s: %.1f ms\n", i + 1, times[i].c_str(), ms);
            break;
        case types::ImageWriteResult::kNothingEncoded:
            status = fail(target + ": " +
                          text(3011020, "The picture was not saved: its image settings make no picture (an "
                                        "icon needs at least one size and one colour depth)."));
            break;
        case types::ImageWriteResult::kWriteFailed:
            status = fail(target + ": " + text(3011010, "The picture could not be saved:") +
                          (error ? std::string(" ") + std::strerror(error) : ""));
            break;
        }
        std::fflush(stdout);
    }
    // The grabber ends even when its picture was never taken.
    grabber.reset();
    loop.stop();
    loop.removeNamedEventListener(&listener);
    return status;
}

} // namespace s::cli
