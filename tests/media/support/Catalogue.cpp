#include "Catalogue.h"

#include "MediaFixtures.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#ifndef SNIPFORGE_CLI_PATH
#error "SNIPFORGE_CLI_PATH must name the built front end"
#endif

namespace s::test {

namespace {

namespace fs = std::filesystem;

/// How long one front-end run may take before it is killed (and the test
/// fails for it): far beyond any normal run of these small clips.
constexpr unsigned kCliLimitSeconds = 240;

/// key=value lines of ffprobe's default output, one map per section.
std::vector<std::map<std::string, std::string>> sections(const std::string& text, const std::string& name) {
    std::vector<std::map<std::string, std::string>> list;
    std::istringstream lines(text);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line == "[" + name + "]") {
            list.emplace_back();
            inside = true;
        } else if (line.starts_with("[/")) {
            inside = false;
        } else if (const size_t eq = line.find('='); inside && eq != std::string::npos) {
            list.back()[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return list;
}

double numberOf(const std::map<std::string, std::string>& map, const std::string& key, double fallback) {
    const auto it = map.find(key);
    if (it == map.end() || it->second.empty() || it->second == "N/A")
        return fallback;
    return std::atof(it->second.c_str());
}

/// The frames of the first video stream: time and key flag.
std::vector<std::pair<double, bool>> frameTimes(const std::string& path) {
    const ToolRun run = runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                                 "frame=key_frame,best_effort_timestamp_time,pkt_duration_time", path});
    std::vector<std::pair<double, bool>> frames;
    for (const auto& frame : sections(run.out, "FRAME"))
        frames.emplace_back(numberOf(frame, "best_effort_timestamp_time", NAN),
                            numberOf(frame, "key_frame", 0) != 0);
    return frames;
}

} // namespace

std::string catalogueClip(const std::string& name, const std::vector<std::string>& args) {
    return generatedMedia("catalogue-" + name, args);
}

DecodedVideo decodeVideo(const std::string& path) {
    DecodedVideo video;
    const FfprobeReport report = runFfprobe(path);
    for (const auto& stream : report.streams) {
        const auto type = stream.find("codec_type");
        const auto attached = stream.find("DISPOSITION:attached_pic");
        if (type != stream.end() && type->second == "video" &&
            (attached == stream.end() || attached->second != "1")) {
            video.width = static_cast<int>(numberOf(stream, "width", 0));
            video.height = static_cast<int>(numberOf(stream, "height", 0));
            break;
        }
    }
    if (video.width <= 0)
        return video;
    const ToolRun run = runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:V:0", "-fps_mode",
                                 "passthrough", "-pix_fmt", "bgr24", "-f", "rawvideo", "-"});
    video.bgr = run.out;
    // Streams without timestamps (raw H.264) count frames at the nominal rate.
    double rate = 25;
    for (const auto& stream : report.streams) {
        const auto r = stream.find("r_frame_rate");
        if (r != stream.end() && stream.at("codec_type") == "video") {
            const size_t slash = r->second.find('/');
            const double den = slash == std::string::npos ? 1 : std::atof(r->second.c_str() + slash + 1);
            if (den > 0 && std::atof(r->second.c_str()) > 0)
                rate = std::atof(r->second.c_str()) / den;
            break;
        }
    }
    for (const auto& [time, key] : frameTimes(path)) {
        (void)key;
        video.times.push_back(std::isnan(time) ? static_cast<double>(video.times.size()) / rate : time);
    }
    return video;
}

double formatStartTime(const std::string& path) {
    const ToolRun run =
        runTool({"ffprobe", "-v", "error", "-show_entries", "format=start_time", "-of", "csv=p=0", path});
    return run.out.empty() || run.out.starts_with("N/A") ? 0.0 : std::atof(run.out.c_str());
}

Bitmap readBmp(const std::string& path) {
    Bitmap bitmap;
    const std::string bytes = readFile(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M')
        return bitmap;
    auto le = [&](size_t at, int count) {
        long value = 0;
        for (int i = count - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
        return value;
    };
    const long offset = le(10, 4);
    const long width = le(18, 4);
    long height = static_cast<int32_t>(le(22, 4));
    if (le(28, 2) != 24 || width <= 0 || height == 0)
        return bitmap;
    const bool bottomUp = height > 0;
    height = std::labs(height);
    const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (bytes.size() < static_cast<size_t>(offset) + row * static_cast<size_t>(height))
        return bitmap;
    bitmap.width = static_cast<int>(width);
    bitmap.height = static_cast<int>(height);
    for (long y = 0; y < height; ++y) {
        const long source = bottomUp ? height - 1 - y : y;
        bitmap.bgr.append(bytes, static_cast<size_t>(offset) + row * static_cast<size_t>(source),
                          static_cast<size_t>(width) * 3);
    }
    return bitmap;
}

FrameMatch nearestFrame(const DecodedVideo& video, const Bitmap& picture) {
    FrameMatch best;
    const size_t bytes = static_cast<size_t>(video.width) * video.height * 3;
    if (picture.width != video.width || picture.height != video.height || picture.bgr.size() != bytes)
        return best;
    for (size_t f = 0; f < video.frameCount(); ++f) {
        const unsigned char* a = reinterpret_cast<const unsigned char*>(video.bgr.data()) + f * bytes;
        const unsigned char* b = reinterpret_cast<const unsigned char*>(picture.bgr.data());
        unsigned long long sum = 0;
        for (size_t i = 0; i < bytes; ++i)
            sum += static_cast<unsigned>(std::abs(int{a[i]} - int{b[i]}));
        const double difference = static_cast<double>(sum) / static_cast<double>(bytes);
        if (difference < best.difference) {
            best.difference = difference;
            best.index = static_cast<long>(f);
        }
    }
    return best;
}

VideoTrack describeOutput(const std::string& path) {
    VideoTrack track;
    const FfprobeReport report = runFfprobe(path);
    track.streams = report.streams.size();
    for (const auto& stream : report.streams) {
        const auto type = stream.find("codec_type");
        if (type == stream.end())
            continue;
        if (type->second == "video")
            track.present = true;
        if (type->second == "audio" && track.audioLanguages.empty())
            track.audioDuration = numberOf(stream, "duration", 0);
        if (type->second == "audio") {
            const auto language = stream.find("TAG:language");
            track.audioLanguages.push_back(language == stream.end() ? std::string() : language->second);
        }
    }
    const auto frames = frameTimes(path);
    track.frames = frames.size();
    if (frames.empty())
        return track;
    track.firstIsKey = frames.front().second;
    // The last frame lasts as long as the most common frame does.
    std::vector<double> gaps;
    for (size_t i = 1; i < frames.size(); ++i)
        gaps.push_back(frames[i].first - frames[i - 1].first);
    std::sort(gaps.begin(), gaps.end());
    const double gap = gaps.empty() ? 0.04 : gaps[gaps.size() / 2];
    track.duration = frames.back().first + gap - frames.front().first;
    return track;
}

std::string decodeErrors(const std::string& path) {
    const ToolRun run = runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v?", "-map", "0:a?", "-f", "null", "-"});
    return run.exitStatus == 0 ? run.err : run.err + "exit " + std::to_string(run.exitStatus);
}

void CatalogueFixture::SetUp() {
    m_dir = makeTempDir();
    ASSERT_FALSE(m_dir.empty());
    m_outDir = m_dir + "/out";
    m_runtimeDir = m_dir + "/runtime";
    m_configDir = m_dir + "/config";
    ASSERT_EQ(::mkdir(m_outDir.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(m_runtimeDir.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(m_configDir.c_str(), 0700), 0);
}

void CatalogueFixture::TearDown() {
    for (const Watched& input : m_inputs) {
        SCOPED_TRACE(input.path);
        struct stat status {};
        ASSERT_EQ(::stat(input.path.c_str(), &status), 0) << "the input is gone";
        EXPECT_EQ(static_cast<long long>(status.st_size), input.size) << "the input changed size";
        EXPECT_EQ(status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec, input.mtimeNs)
            << "the input was written to";
        EXPECT_EQ(textDigest(readFile(input.path)), input.digest) << "the input's bytes changed";
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(fs::path(input.path).parent_path(), error))
            EXPECT_FALSE(entry.path().filename().string().starts_with("_TMP")) << entry.path();
    }
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(m_outDir, error)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with("_TMP")) << "temporary output left: " << entry.path();
        if (entry.is_regular_file()) {
            EXPECT_GT(entry.file_size(), 0u) << "empty output left: " << entry.path();
        }
    }
    for (const auto& entry : fs::directory_iterator(m_runtimeDir, error))
        ADD_FAILURE() << "runtime folder left: " << entry.path();
}

const std::string& CatalogueFixture::watch(const std::string& path) {
    Watched input;
    input.path = path;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        input.size = status.st_size;
        input.mtimeNs = status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec;
    }
    input.digest = textDigest(readFile(path));
    m_inputs.push_back(input);
    return m_inputs.back().path;
}

CliRun CatalogueFixture::cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {SNIPFORGE_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ToolSetting setting;
    setting.environment = {{"XDG_RUNTIME_DIR", m_runtimeDir}, {"XDG_CONFIG_HOME", m_configDir}};
    setting.timeLimitSeconds = kCliLimitSeconds;
    return runTool(argv, {}, setting);
}

} // namespace s::test
