#include "media/converter/Options.h"

#include "foundation/str/TimeText.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/parseutils.h>
}

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace s::video::tool {

using str::timetext::kToolDuration;
using str::timetext::parseTime;

namespace {

/// Options seen since the last file name, not yet given to a file.
struct Pending {
    InputOptions input;
    OutputOptions output;
    bool outputOnlySeen = false;
    std::string outputOnlyName;
};

/// An integer with an optional k/M/G suffix (powers of 1000), as bit rates
/// are written.
bool parseScaled(const std::string& text, i64& value) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (errno != 0 || end == text.c_str() || !std::isfinite(number))
        return false;
    double scale = 1;
    std::string_view rest(end);
    if (!rest.empty()) {
        switch (rest.front()) {
        case 'k': case 'K': scale = 1e3; break;
        case 'M': scale = 1e6; break;
        case 'G': scale = 1e9; break;
        default: return false;
        }
        rest.remove_prefix(1);
        if (!rest.empty() && rest != "i" && rest != "B")
            return false;
        if (rest == "i")
            scale = scale == 1e3 ? 1024.0 : scale == 1e6 ? 1048576.0 : 1073741824.0;
    }
    const double result = number * scale;
    if (result < -9.0e18 || result > 9.0e18)
        return false;
    value = static_cast<i64>(result);
    return true;
}

bool parseInt(const std::string& text, i32 lo, i32 hi, i32& value) {
    i64 wide = 0;
    if (!parseScaled(text, wide) || wide < lo || wide > hi)
        return false;
    value = static_cast<i32>(wide);
    return true;
}

} // namespace

base::Result parseOptions(const std::vector<std::string>& args, Options& options) {
    options = Options{};
    Pending pending;
    auto bad = [&](const std::string& option, const std::string& value) {
        return base::Result::failed("Invalid value \"" + value + "\" for option \"" + option + "\"");
    };
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.front() != '-') {
            // A file name: everything pending belongs to this output.
            OutputOptions output = pending.output;
            output.path = arg;
            options.outputs.push_back(std::move(output));
            pending = Pending{};
            continue;
        }
        const std::string name = arg.substr(1);
        // Options without a value.
        if (name == "y") { options.overwrite = true; continue; }
        if (name == "n") { options.noOverwrite = true; continue; }
        if (name == "an") { pending.output.noAudio = true; pending.outputOnlySeen = true; pending.outputOnlyName = arg; continue; }
        if (name == "vn") { pending.output.noVideo = true; pending.outputOnlySeen = true; pending.outputOnlyName = arg; continue; }
        if (name == "sn") { pending.output.noSubtitle = true; pending.outputOnlySeen = true; pending.outputOnlyName = arg; continue; }
        if (i + 1 >= args.size()) {
            return base::Result::failed("Missing argument for option \"" + name + "\"");
        }
        const std::string& value = args[++i];
        OutputOptions& out = pending.output;
        bool outputOnly = true;
        if (name == "i") {
            if (pending.outputOnlySeen) {
                return base::Result::failed("Option " + pending.outputOnlyName +
                                            " cannot be applied to input file " + value);
            }
            InputOptions input = pending.input;
            input.path = value;
            options.inputs.push_back(std::move(input));
            pending = Pending{};
            continue;
        } else if (name == "ss") {
            if (!parseTime(value, kToolDuration, pending.input.seekUs))
                return bad(name, value);
            out.startUs = pending.input.seekUs;
            outputOnly = false;
        } else if (name == "t") {
            // Before "-i" the classic tool did not limit the input: the value
            // only ever limits the output that follows.
            if (!parseTime(value, kToolDuration, out.durationUs) || out.durationUs < 0)
                return bad(name, value);
            outputOnly = false;
        } else if (name == "f") {
            pending.input.format = value;
            out.format = value;
            outputOnly = false;
        } else if (name == "probesize" || name == "analyzeduration") {
            i64 number = 0;
            if (!parseScaled(value, number) || number < 0)
                return bad(name, value);
            (name == "probesize" ? pending.input.probeSize : pending.input.analyzeDuration) = value;
            continue; // harmless before an output
        } else if (name == "map") {
            StreamMap map;
            char* end = nullptr;
            const long input = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || input < 0 || input > 1000)
                return bad(name, value);
            map.input = static_cast<i32>(input);
            if (*end == ':') {
                const char* start = end + 1;
                const long stream = std::strtol(start, &end, 10);
                if (end == start || *end || stream < 0 || stream > 100000)
                    return bad(name, value);
                map.stream = static_cast<i32>(stream);
            } else if (*end) {
                return bad(name, value);
            }
            out.maps.push_back(map);
        } else if (name == "c" || name == "codec") {
            out.videoCodec = out.audioCodec = out.subtitleCodec = CodecChoice{true, value};
        } else if (name == "vcodec" || name == "c:v" || name == "codec:v") {
            out.videoCodec = CodecChoice{true, value};
        } else if (name == "acodec" || name == "c:a" || name == "codec:a") {
            out.audioCodec = CodecChoice{true, value};
        } else if (name == "scodec" || name == "c:s" || name == "codec:s") {
            out.subtitleCodec = CodecChoice{true, value};
        } else if (name == "threads") {
            if (value == "auto")
                out.threads = 0;
            else if (!parseInt(value, 0, 1024, out.threads))
                return bad(name, value);
        } else if (name == "preset") {
            out.preset = value;
        } else if (name == "g") {
            if (!parseInt(value, 0, 1 << 20, out.gopSize))
                return bad(name, value);
        } else if (name == "bf") {
            if (!parseInt(value, 0, 16, out.maxBFrames))
                return bad(name, value);
        } else if (name == "b:v" || name == "vb") {
            if (!parseScaled(value, out.videoBitRate) || out.videoBitRate < 0)
                return bad(name, value);
        } else if (name == "ab" || name == "b:a") {
            if (!parseScaled(value, out.audioBitRate) || out.audioBitRate < 0)
                return bad(name, value);
        } else if (name == "r") {
            AVRational rate{0, 1};
            if (av_parse_video_rate(&rate, value.c_str()) < 0 || rate.num <= 0 || rate.den <= 0)
                return bad(name, value);
            out.rateNum = rate.num;
            out.rateDen = rate.den;
        } else if (name == "s") {
            int width = 0, height = 0;
            if (av_parse_video_size(&width, &height, value.c_str()) < 0 || width <= 0 || height <= 0 ||
                width > 16384 || height > 16384)
                return bad(name, value);
            out.width = width;
            out.height = height;
        } else if (name == "ar") {
            if (!parseInt(value, 1, 768000, out.sampleRate))
                return bad(name, value);
        } else if (name == "ac") {
            if (!parseInt(value, 1, 8, out.channels))
                return bad(name, value);
        } else if (name == "vframes" || name == "frames:v") {
            i64 count = 0;
            if (!parseScaled(value, count) || count < 0)
                return bad(name, value);
            out.maxVideoFrames = count;
        } else if (name == "strict") {
            i32 level = 0;
            if (value != "experimental" && value != "unofficial" && value != "normal" && value != "strict" &&
                value != "very" && !parseInt(value, -2, 2, level))
                return bad(name, value);
        } else if (name == "max_muxing_queue_size") {
            // Encoders are opened before the header is written, so nothing
            // waits in a queue; the value is checked and not needed.
            i32 size = 0;
            if (!parseInt(value, 1, 1 << 30, size))
                return bad(name, value);
        } else if (name == "async") {
            if (!parseInt(value, 0, 1 << 30, options.audioSync))
                return bad(name, value);
            continue;
        } else {
            return base::Result::failed("Unrecognized option '" + name + "'");
        }
        if (outputOnly) {
            pending.outputOnlySeen = true;
            pending.outputOnlyName = arg;
        }
    }
    if (pending.outputOnlySeen) {
        return base::Result::failed("Trailing option(s) found in the command: may be ignored");
    }
    if (options.inputs.empty()) {
        return base::Result::failed("At least one input file must be specified");
    }
    if (options.outputs.empty()) {
        return base::Result::failed("At least one output file must be specified");
    }
    return base::Result::ok();
}

} // namespace s::video::tool
