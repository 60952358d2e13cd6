#pragma once

// Helpers for the catalogue of real-world media kinds: clips made with the
// ffmpeg tool and kept in the build tree, the oracle of what each frame is
// (decoded from the start by the ffmpeg tool), the headless front end run
// as a child with a runtime and settings folder of the test's own, and a
// fixture that checks around every test that nothing was changed or left
// behind.

#include "MediaFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace s::test {

/// Makes (once, keyed by the arguments) the clip `name` (its extension
/// picks the container unless the arguments give "-f") with the ffmpeg
/// arguments `args` (output last) in the fixture folder. Empty on failure
/// (a failure has been recorded). "{dir}" in an argument becomes the
/// fixture folder.
std::string catalogueClip(const std::string& name, const std::vector<std::string>& args);

/// Every frame of a file's first video stream as the ffmpeg tool decodes it
/// from the start: packed BGR (top row first) and its time in seconds.
struct DecodedVideo {
    int width = 0;
    int height = 0;
    std::vector<double> times; // best-effort time of each frame, as ffprobe gives it
    std::string bgr;           // width * height * 3 bytes per frame
    size_t frameCount() const { return width > 0 && height > 0 ? bgr.size() / (size_t(width) * height * 3) : 0; }
};
DecodedVideo decodeVideo(const std::string& path);

/// The format's start time in seconds (0 when ffprobe gives none).
double formatStartTime(const std::string& path);

/// A 24-bit BMP as packed BGR, top row first; width 0 when it is not one.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::string bgr;
};
Bitmap readBmp(const std::string& path);

/// The index of the decoded frame nearest to `picture` by mean absolute
/// difference, and that difference (per byte, 0..255).
struct FrameMatch {
    long index = -1;
    double difference = 1e9;
};
FrameMatch nearestFrame(const DecodedVideo& video, const Bitmap& picture);

/// What ffprobe reports about the packets and frames of a file's first
/// video stream.
struct VideoTrack {
    bool present = false;
    double duration = 0;       // last frame time + its length - first frame time
    size_t frames = 0;
    bool firstIsKey = false;   // the first decoded frame is a key frame
    double audioDuration = 0; // of the first audio stream, as ffprobe gives it
    std::vector<std::string> audioLanguages;
    size_t streams = 0;
};
VideoTrack describeOutput(const std::string& path);

/// Decodes every stream of `path` with the ffmpeg tool; what it printed at
/// level "error" (empty when it decoded cleanly; "exit N" appended when it
/// failed).
std::string decodeErrors(const std::string& path);

/// A finished run of the headless front end.
using CliRun = ToolRun;

/// The fixture of every catalogue test: a fresh output folder, and a
/// runtime and settings folder for the front end's children. `watch` an
/// input before using it; when the test ends (whatever its outcome) every
/// watched input must be unchanged (content and modification time), and no
/// "_TMP" file, empty file or runtime folder may be left.
class CatalogueFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Records `path` as an input; returns it.
    const std::string& watch(const std::string& path);
    /// Runs the front end with `args` (after the program name).
    CliRun cli(const std::vector<std::string>& args);

    std::string m_dir;     // everything of this test
    std::string m_outDir;  // where cuts and pictures go

private:
    struct Watched {
        std::string path;
        std::string digest;
        long long mtimeNs = 0;
        long long size = 0;
    };
    std::vector<Watched> m_inputs;
    std::string m_runtimeDir;
    std::string m_configDir;
};

} // namespace s::test
