#include "cutting/plan/CutPlan.h"

#include "foundation/file/win/PathWin.h"
#include "foundation/str/TimeText.h"
#include "media/video/StreamInfo.h"
#include "media/video/VideoInfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace s::video::cut {

using file::win::PathWin;
using str::strbuffer::StrBuffer;
using str::timetext::appendClock;
using str::timetext::kCommandClock;
using str::timetext::splitTime;
using str::timetext::TimeParts;

namespace {

constexpr i64 kSeekMarginUs = 10'000'000;
constexpr i64 kMaxRateMilli = 60'000;

bool equalsAsciiIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = static_cast<char16_t>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// An entry of that name is there, a dangling symbolic link included (a new
// file could not be made under that name either).
bool nameTaken(const StrBuffer& text) {
    thread::Pooled<PathWin> path = thread::adopt(file::win::newPath(text));
    return path->exists() || path->isSymbolicLink();
}

// " -r " and the rate for a frame rate in thousandths, limited to 60 frames
// per second. A rate below one frame per second would come out as " -r 0",
// which the tool refuses; the NTSC rate stands in for it.
void appendRate(StrBuffer& out, i64 rate) {
    rate = std::min(rate, kMaxRateMilli);
    const i64 whole = rate / 1000;
    if (rate % 1000 != 0) {
        if (rate == 59940) {
            out.append(u" -r 60000/1001");
            return;
        }
        if (rate == 29970) {
            out.append(u" -r 30000/1001");
            return;
        }
        if (rate == 23976) {
            out.append(u" -r 24000/1001");
            return;
        }
    }
    if (whole == 0)
        out.append(u" -r 30000/1001");
    else
        out.append(u" -r ").append(whole);
}

void appendStreamSelection(StrBuffer& out, const VideoInfo& info, i32 attempt, bool keepAttachments) {
    bool anyUnknown = false;
    for (u32 i = 0; i < info.streamCount(); ++i) {
        if (info.stream(i)->type() == kStreamUnknown)
            anyUnknown = true;
    }
    if (attempt == 2 && !anyUnknown) {
        out.append(u" -c copy -map 0 ");
        return;
    }
    for (u32 i = 0; i < info.streamCount(); ++i) {
        const StreamInfo* stream = info.stream(i);
        if (stream->type() != kStreamUnknown || (keepAttachments && stream->isAttachment()))
            out.append(u" -map 0:").append(i).append(u" ");
    }
    out.append(u" -vcodec copy ").append(u" -acodec copy ").append(u" -scodec copy ");
}

void appendEncoders(StrBuffer& out, const VideoInfo& info) {
    const StreamInfo* video = info.firstStreamOfType(kStreamVideo);
    if (info.hasVideo() && video) {
        out.append(u" -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3");
        // 0 asks for constant quality: an unknown rate, or one too low for
        // the picture (stills, slide shows), is no target worth keeping.
        const i64 bitRate = video->bitRate();
        out.append(u" -b:v ")
            .append(bitRate >= leastVideoBitRate(video->width(), video->height()) ? bitRate : i64{0});
        const Rational64 fr = video->realFrameRate();
        const i64 rate = frameRateMilli(static_cast<i32>(fr.num), static_cast<i32>(fr.den));
        if (rate > 0)
            appendRate(out, rate);
        if (info.videoWidth() > 0 && info.videoHeight() > 0) {
            const i32 w = info.videoWidth() + (info.videoWidth() & 1);
            const i32 h = info.videoHeight() + (info.videoHeight() & 1);
            out.append(u" -s ").append(w).append(u"x").append(h);
        }
    }
    out.append(u" -max_muxing_queue_size 9999 -f mp4");
    const StreamInfo* audio = info.firstStreamOfType(kStreamAudio);
    if (info.hasAudio() && audio) {
        out.append(u" -acodec aac -strict experimental");
        out.append(u" -ar ").append(toolSampleRate(audio->sampleRate()));
        out.append(u" -ac ").append(audio->channels() > 2 ? 6 : audio->channels());
        out.append(u" -ab ").append(toolAudioBitRate(audio->bitRate()));
    }
}

// Subtitles MP4 takes once converted to its own text format; picture
// subtitles (DVD, PGS, DVB) are not among them.
bool isTextSubtitle(const StreamInfo& stream) {
    static constexpr std::u16string_view kTextCodecs[] = {u"subrip", u"srt",  u"ass",     u"ssa",
                                                          u"webvtt", u"text", u"mov_text"};
    if (stream.type() != kStreamSubtitle)
        return false;
    const std::u16string_view name = stream.codecName().view();
    return std::any_of(std::begin(kTextCodecs), std::end(kTextCodecs),
                       [&](std::u16string_view codec) { return equalsAsciiIgnoreCase(name, codec); });
}

// The streams of a precise cut: the first video, every audio track in the
// source's order that has a decoder (the probe names its codec) and every
// text subtitle. The converter inside the program also gets the other
// subtitles, to leave them out with a warning in its log; the external tool
// would refuse to convert them and fail the cut. True when a text subtitle
// is among them.
bool appendPreciseStreams(StrBuffer& out, const VideoInfo& info, bool external) {
    const StreamInfo* video = info.firstStreamOfType(kStreamVideo);
    bool text = false;
    for (u32 i = 0; i < info.streamCount(); ++i) {
        const StreamInfo* stream = info.stream(i);
        const bool textSubtitle = isTextSubtitle(*stream);
        const bool decodableAudio =
            stream->type() == kStreamAudio && !equalsAsciiIgnoreCase(stream->codecName().view(), u"Unknown");
        text = text || textSubtitle;
        if (stream == video || decodableAudio || textSubtitle || (!external && stream->type() == kStreamSubtitle))
            out.append(u" -map 0:").append(i);
    }
    return text;
}

// Whether the lossless output is a Matroska file (not WebM), the one
// container of a lossless cut that holds attached files.
bool losslessTakesAttachments(const VideoInfo& info, const PathWin* inputPath) {
    thread::Pooled<StrBuffer> ext = thread::makePooled<StrBuffer>();
    if (inputPath)
        inputPath->extNoDotInto(ext.get(), false);
    return equalsAsciiIgnoreCase(info.formatName().view(), u"matroska,webm") &&
           !equalsAsciiIgnoreCase(ext->view(), u"webm");
}

void appendContainer(StrBuffer& out, const VideoInfo& info, const PathWin* inputPath) {
    thread::Pooled<StrBuffer> ext = thread::makePooled<StrBuffer>();
    if (inputPath)
        inputPath->extNoDotInto(ext.get(), false);
    const std::u16string_view e = ext->view();
    const std::u16string_view format = info.formatName().view();
    if (equalsAsciiIgnoreCase(format, u"matroska,webm")) {
        out.append(equalsAsciiIgnoreCase(e, u"webm") ? u" -f webm " : u" -f matroska ");
    } else if (equalsAsciiIgnoreCase(format, u"mov,mp4,m4a,3gp,3g2,mj2")) {
        if (equalsAsciiIgnoreCase(e, u"mov"))
            out.append(u" -f mov ");
        else if (equalsAsciiIgnoreCase(e, u"3gp"))
            out.append(u" -f 3gp ");
        else if (equalsAsciiIgnoreCase(e, u"3g2"))
            out.append(u" -f 3g2 ");
        else
            out.append(u" -f mp4 ");
    } else {
        out.append(u" -f ").append(info.formatName()).append(u" ");
    }
}

void appendPathArgument(StrBuffer& out, const char16_t* path, bool quoted) {
    if (quoted)
        out.append(u'"');
    out.append(path ? path : u"");
    if (quoted)
        out.append(u'"');
}

} // namespace

StrBuffer& cutSuffix(StrBuffer& out, i64 startUs, i64 endUs, i32 mode) {
    const TimeParts s = splitTime(startUs);
    const TimeParts e = splitTime(endUs);
    const long long sH = s.hours;
    const long long eH = e.hours;
    char text[160];
    if (mode == kPrecise) {
        if (e.hours == 0)
            std::snprintf(text, sizeof text, ".CUT.%02d'%02d.%03d-%02d'%02d.%03d", s.minutes, s.seconds,
                          s.millis, e.minutes, e.seconds, e.millis);
        else
            std::snprintf(text, sizeof text, ".CUT.%lld'%02d'%02d.%03d-%lld'%02d'%02d.%03d", sH, s.minutes,
                          s.seconds, s.millis, eH, e.minutes, e.seconds, e.millis);
    } else {
        if (e.hours == 0)
            std::snprintf(text, sizeof text, ".CUT.%02d'%02d-%02d'%02d", s.minutes, s.seconds, e.minutes,
                          e.seconds);
        else
            std::snprintf(text, sizeof text, ".CUT.%lld'%02d'%02d-%lld'%02d'%02d", sH, s.minutes, s.seconds,
                          eH, e.minutes, e.seconds);
    }
    out.clear();
    return out.append(text);
}

PathWin* outputPathFor(const PathWin& outputFolder, const PathWin& inputPath, i64 startUs, i64 endUs,
                       i32 mode, bool number) {
    thread::Pooled<StrBuffer> base = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> ext = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> suffix = thread::makePooled<StrBuffer>();
    outputFolder.folderFormInto(base.get(), false);
    inputPath.titleInto(base.get(), true);
    base->append(cutSuffix(*suffix, startUs, endUs, mode));
    // The suffix stays whole in precise mode too: only the input's own
    // extension gives way to ".mp4", also when the input has none.
    if (mode == kPrecise)
        ext->set(u".mp4");
    else
        inputPath.extInto(ext.get(), false);

    thread::Pooled<StrBuffer> text = thread::makePooled<StrBuffer>();
    text->set(*base).append(*ext);
    if (number) {
        for (i32 n = 1; nameTaken(*text); ++n)
            text->set(*base).append(u" (").append(n).append(u")").append(*ext);
    }
    return file::win::newPath(*text);
}

bool isToolUsable(const char16_t* shortPath, i32 n) {
    if (!shortPath)
        return true;
    const std::u16string_view text =
        n < 0 ? std::u16string_view(shortPath) : std::u16string_view(shortPath, n);
    if (text.find(u' ') != std::u16string_view::npos)
        return false;
    const size_t slash = text.rfind(u'/');
    if (slash == std::u16string_view::npos)
        return true;
    const std::u16string_view name = text.substr(slash + 1);
    if (name.size() > 12)
        return false;
    return std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 256; });
}

PathWin* tempOutputFor(const PathWin& outputPath) {
    thread::Pooled<StrBuffer> folder = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> ext = thread::makePooled<StrBuffer>();
    outputPath.folderInto(folder.get(), false);
    outputPath.extInto(ext.get(), false);
    thread::Pooled<StrBuffer> text = thread::makePooled<StrBuffer>();
    text->set(*folder).append(u"_TMP").append(*ext);
    for (i32 n = 1; nameTaken(*text); ++n)
        text->set(*folder).append(u"_TMP").append(n).append(*ext);
    return file::win::newPath(*text);
}

StrBuffer& tempOutputArgument(StrBuffer& out, const StrBuffer& shortForm, const PathWin& tempPath) {
    u32 slash = 0;
    if (!shortForm.lastIndexOf(u'/', &slash)) {
        out.set(shortForm);
        return out;
    }
    out.set(shortForm.chars(), static_cast<i32>(slash + 1));
    tempPath.nameInto(&out, true);
    return out;
}

i32 toolSampleRate(i32 sourceRate) {
    static constexpr i32 kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    for (i32 rate : kRates) {
        if (sourceRate <= rate)
            return rate;
    }
    return 64000;
}

i64 toolAudioBitRate(i64 sourceBitRate) {
    static constexpr i64 kRates[] = {64000,  96000,  128000, 160000, 192000,
                                     224000, 256000, 288000, 320000, 384000};
    for (i64 rate : kRates) {
        if (sourceBitRate <= rate)
            return rate;
    }
    return 512000;
}

i64 frameRateMilli(i64 num, i64 den) {
    if (den < 1)
        den = 1;
    if (num == 60000 && den == 1001)
        return 59940;
    if (num == 30000 && den == 1001)
        return 29970;
    if (num == 24000 && den == 1001)
        return 23976;
    // In 64 bits: a large numerator (a rate given in a fine time base) must
    // not wrap around into a wrong or negative rate.
    return num * 1000 / den;
}

StrBuffer& buildCutCommand(StrBuffer& out, const CutCommandInput& input) {
    out.clear();
    const bool precise = input.mode == kPrecise;
    const bool second = input.attempt == 2;

    out.append(input.external ? kExternalToolCommand : kInProcessToolCommand);
    out.append(u" -probesize 100M -analyzeduration 100M");

    thread::Pooled<StrBuffer> start = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> duration = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> preSeek = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> postSeek = thread::makePooled<StrBuffer>();
    appendClock(*start, input.startUs, kCommandClock);
    appendClock(*duration, input.endUs - input.startUs, kCommandClock);
    if (input.startUs < kSeekMarginUs) {
        appendClock(*preSeek, 0, kCommandClock);
        appendClock(*postSeek, input.startUs, kCommandClock);
    } else {
        appendClock(*preSeek, input.startUs - kSeekMarginUs, kCommandClock);
        appendClock(*postSeek, kSeekMarginUs, kCommandClock);
    }
    constexpr const char16_t* kZero = u"00:00:00.000";
    auto isZero = [&](const StrBuffer& t) { return t.view() == std::u16string_view(kZero); };

    if (!second) {
        const StrBuffer& before = precise ? *preSeek : *start;
        if (!isZero(before))
            out.append(u" -ss ").append(before);
    }

    out.append(u" -i ");
    appendPathArgument(out, input.inputShortPath, input.external);

    if (second)
        out.append(u" -ss ").append(*start);
    else if (precise && !isZero(*postSeek))
        out.append(u" -ss ").append(*postSeek);

    out.append(u" -y -t ").append(*duration);

    if (input.info) {
        if (precise) {
            const bool textSubtitles = appendPreciseStreams(out, *input.info, input.external);
            appendEncoders(out, *input.info);
            if (textSubtitles)
                out.append(u" -scodec mov_text");
        } else {
            appendStreamSelection(out, *input.info, input.attempt,
                                  losslessTakesAttachments(*input.info, input.inputPath));
        }
    }
    out.append(u" -async 1 ");
    if (!precise && input.info)
        appendContainer(out, *input.info, input.inputPath);

    appendPathArgument(out, input.outputShortPath, input.external);
    return out;
}

} // namespace s::video::cut
