#include "MediaFixtures.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#ifndef SNIPFORGE_MEDIA_FIXTURE_DIR
#error "SNIPFORGE_MEDIA_FIXTURE_DIR must name the folder that keeps generated media"
#endif

namespace s::test {

namespace {

struct Recipe {
    Fixture fixture;
    const char* name;
    const char* extension;
    std::vector<std::string> args; // between the common head and the output; "{srt}" is the subtitle file
};

const std::string kVideo = "testsrc2=size=320x240:rate=25:duration=";
const std::string kTone48 = "sine=frequency=440:sample_rate=48000:duration=";
const std::string kTone44 = "sine=frequency=440:sample_rate=44100:duration=";

const std::vector<Recipe>& recipes() {
    static const std::vector<Recipe> list = {
        {Fixture::Mp4H264Aac, "mp4-h264-aac", "mp4", {"-f",        "lavfi",
                                                      "-i",        kVideo + "2",
                                                      "-f",        "lavfi",
                                                      "-i",        kTone48 + "2",
                                                      "-ac",       "2",
                                                      "-c:v",      "libx264",
                                                      "-preset",   "veryfast",
                                                      "-bf",       "2",
                                                      "-pix_fmt",  "yuv420p",
                                                      "-c:a",      "aac",
                                                      "-b:a",      "96k",
                                                      "-metadata", "title=Probe fixture",
                                                      "-metadata", "comment=made for the media tests"}},
        {Fixture::MkvSubtitles,
         "mkv-subtitles",
         "mkv",
         {"-f",          "lavfi",     "-i",          kVideo + "2", "-f",
          "lavfi",       "-i",        kTone48 + "2", "-i",         "{srt}",
          "-map",        "0:v",       "-map",        "1:a",        "-map",
          "2:s",         "-c:v",      "libx264",     "-preset",    "veryfast",
          "-c:a",        "libvorbis", "-c:s",        "srt",        "-metadata:s:s:0",
          "language=eng"}},
        {Fixture::WebmVp9Opus,
         "webm-vp9-opus",
         "webm",
         {"-f",          "lavfi", "-i",         kVideo + "1", "-f",       "lavfi",     "-i",
          kTone48 + "1", "-c:v",  "libvpx-vp9", "-deadline",  "realtime", "-cpu-used", "8",
          "-b:v",        "200k",  "-c:a",       "libopus",    "-b:a",     "64k"}},
        {Fixture::AviMpeg4Mp3,
         "avi-mpeg4-mp3",
         "avi",
         {"-f", "lavfi", "-i", kVideo + "2", "-f", "lavfi", "-i", kTone44 + "2", "-c:v", "mpeg4", "-q:v", "5",
          "-c:a", "libmp3lame", "-b:a", "128k"}},
        {Fixture::MovTimecode,
         "mov-timecode",
         "mov",
         {"-f", "lavfi", "-i", kVideo + "1", "-timecode", "01:00:00:00", "-c:v", "mpeg4", "-q:v", "5"}},
        {Fixture::TsStartOffset,
         "ts-start-offset",
         "ts",
         {"-f", "lavfi", "-i", kVideo + "2", "-f", "lavfi", "-i", kTone48 + "2", "-c:v", "libx264", "-preset",
          "ultrafast", "-c:a", "aac", "-output_ts_offset", "10", "-f", "mpegts"}},
        {Fixture::WavPcm16,
         "wav-pcm16",
         "wav",
         {"-f", "lavfi", "-i", kTone44 + "1", "-ac", "2", "-c:a", "pcm_s16le", "-map_metadata", "-1",
          "-fflags", "+bitexact", "-flags:a", "+bitexact"}},
        {Fixture::AudioOnly,
         "audio-only",
         "m4a",
         {"-f", "lavfi", "-i", kTone48 + "2", "-c:a", "aac", "-b:a", "96k"}},
        {Fixture::TwoVideoStreams,
         "two-video",
         "mp4",
         {"-f", "lavfi", "-i", kVideo + "1", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1",
          "-map", "0:v", "-map", "1:v", "-c:v", "libx264", "-preset", "ultrafast"}},
        {Fixture::Ntsc60,
         "ntsc-60",
         "mp4",
         {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=60000/1001:duration=1", "-c:v", "libx264",
          "-preset", "ultrafast"}},
        {Fixture::Anamorphic,
         "anamorphic",
         "mp4",
         {"-f", "lavfi", "-i", kVideo + "1", "-vf", "setsar=4/3", "-c:v", "libx264", "-preset", "ultrafast"}},
        {Fixture::FastStartMp4,
         "faststart",
         "mp4",
         {"-f", "lavfi", "-i", kVideo + "2", "-f", "lavfi", "-i", kTone48 + "2", "-c:v", "libx264", "-preset",
          "ultrafast", "-c:a", "aac", "-movflags", "+faststart"}},
    };
    return list;
}

const Recipe& recipeOf(Fixture fixture) {
    for (const Recipe& recipe : recipes()) {
        if (recipe.fixture == fixture)
            return recipe;
    }
    std::abort();
}

} // namespace

std::string textDigest(const std::string& text) {
    unsigned long long hash = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", hash);
    return hex;
}

namespace {

const char kSubtitles[] = "1\n00:00:00,200 --> 00:00:00,900\nFirst line\n\n"
                          "2\n00:00:01,000 --> 00:00:01,800\nSecond line\n";

std::string fixtureDir() {
    static const std::string dir = [] {
        std::filesystem::create_directories(SNIPFORGE_MEDIA_FIXTURE_DIR);
        return std::string(SNIPFORGE_MEDIA_FIXTURE_DIR);
    }();
    return dir;
}

struct TempDirs {
    std::mutex lock;
    std::vector<std::string> dirs;
    ~TempDirs() {
        std::error_code ignored;
        for (const std::string& dir : dirs)
            std::filesystem::remove_all(dir, ignored);
    }
};

TempDirs& tempDirs() {
    static TempDirs dirs;
    return dirs;
}

} // namespace

const std::vector<Fixture>& allFixtures() {
    static const std::vector<Fixture> list = [] {
        std::vector<Fixture> fixtures;
        for (const Recipe& recipe : recipes())
            fixtures.push_back(recipe.fixture);
        return fixtures;
    }();
    return list;
}

const char* fixtureName(Fixture fixture) {
    return recipeOf(fixture).name;
}

std::string fixturePath(Fixture fixture) {
    static std::mutex lock;
    std::lock_guard guard(lock);
    const Recipe& recipe = recipeOf(fixture);
    const std::string dir = fixtureDir();

    std::string srt;
    std::string key;
    for (const std::string& arg : recipe.args)
        key += arg + '\x1f';
    const std::string path = dir + "/" + recipe.name + "-" + textDigest(key) + "." + recipe.extension;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && status.st_size > 0)
        return path;

    const std::string pid = std::to_string(::getpid());
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    for (const std::string& arg : recipe.args) {
        if (arg == "{srt}") {
            srt = dir + "/subtitles-" + pid + ".srt";
            if (!writeFile(srt, kSubtitles)) {
                ADD_FAILURE() << "cannot write " << srt;
                return {};
            }
            argv.push_back(srt);
        } else {
            argv.push_back(arg);
        }
    }
    const std::string temporary = dir + "/" + recipe.name + ".tmp-" + pid + "." + recipe.extension;
    argv.push_back(temporary);
    const ToolRun run = runTool(argv);
    if (!srt.empty())
        std::remove(srt.c_str());
    if (run.exitStatus != 0 || !publishFixture(temporary, path)) {
        std::remove(temporary.c_str());
        ADD_FAILURE() << "ffmpeg could not make the " << recipe.name << " fixture: " << run.err;
        return {};
    }
    return path;
}

std::string makeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/snipforge-media-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp failed";
        return {};
    }
    std::lock_guard guard(tempDirs().lock);
    tempDirs().dirs.push_back(pattern);
    return pattern;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

ToolRun runTool(const std::vector<std::string>& argv, const std::string& cwd, const ToolSetting& setting) {
    ToolRun run;
    char outName[] = "/tmp/snipforge-tool-out-XXXXXX";
    char errName[] = "/tmp/snipforge-tool-err-XXXXXX";
    const int out = ::mkstemp(outName);
    const int err = ::mkstemp(errName);
    if (out < 0 || err < 0)
        return run;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(126);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0)
            ::_exit(126);
        for (const auto& [name, value] : setting.environment)
            ::setenv(name.c_str(), value.c_str(), 1);
        if (setting.timeLimitSeconds > 0)
            ::alarm(setting.timeLimitSeconds);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status))
            run.exitStatus = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            run.signal = WTERMSIG(status);
    }
    ::close(out);
    ::close(err);
    run.out = readFile(outName);
    run.err = readFile(errName);
    ::unlink(outName);
    ::unlink(errName);
    return run;
}

bool publishFixture(const std::string& temporary, const std::string& path) {
    // A link never replaces a file, as a rename would: the first copy made
    // stays, and one that came second is dropped.
    const bool published = ::link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST;
    std::remove(temporary.c_str());
    return published;
}

std::string generatedMedia(const std::string& name, const std::vector<std::string>& args) {
    const std::string dir = fixtureDir();
    std::string key;
    for (const std::string& arg : args)
        key += arg + '\x1f';
    // Keyed by how the file is made: a changed recipe makes a new file.
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string path = dir + "/" + stem + "-" + textDigest(key) + extension;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && status.st_size > 0)
        return path;
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    for (std::string arg : args) {
        if (const size_t at = arg.find("{dir}"); at != std::string::npos)
            arg.replace(at, 5, dir);
        argv.push_back(std::move(arg));
    }
    const std::string temporary = dir + "/.tmp-" + std::to_string(::getpid()) + "-" + name;
    argv.push_back(temporary);
    const ToolRun run = runTool(argv);
    if (run.exitStatus != 0 || !publishFixture(temporary, path)) {
        std::remove(temporary.c_str());
        ADD_FAILURE() << "cannot make " << name << ": " << run.err;
        return {};
    }
    return path;
}

std::string fieldText(const std::map<std::string, std::string>& section, const std::string& key) {
    const auto it = section.find(key);
    return it == section.end() ? std::string() : it->second;
}

double fieldNumber(const std::map<std::string, std::string>& section, const std::string& key) {
    const auto it = section.find(key);
    return it == section.end() || it->second == "N/A" ? NAN : std::atof(it->second.c_str());
}

FfprobeReport runFfprobe(const std::string& path) {
    FfprobeReport report;
    const ToolRun run = runTool({"ffprobe", "-v", "error", "-show_streams", "-show_format", path});
    if (run.exitStatus != 0)
        return report;
    std::istringstream lines(run.out);
    std::string line;
    enum { kNone, kStream, kFormat } section = kNone;
    while (std::getline(lines, line)) {
        if (line == "[STREAM]") {
            section = kStream;
            report.streams.emplace_back();
            report.streamTags.emplace_back();
        } else if (line == "[FORMAT]") {
            section = kFormat;
        } else if (line.starts_with("[/")) {
            section = kNone;
        } else if (const size_t eq = line.find('='); eq != std::string::npos && section != kNone) {
            const std::string key = line.substr(0, eq);
            const std::string value = line.substr(eq + 1);
            auto& map = section == kStream ? report.streams.back() : report.format;
            map[key] = value;
            if (key.starts_with("TAG:")) {
                auto& tags = section == kStream ? report.streamTags.back() : report.formatTags;
                tags.emplace_back(key.substr(4), value);
            }
        }
    }
    report.ok = !report.format.empty();
    return report;
}

} // namespace s::test
