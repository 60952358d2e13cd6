// Moving the scene's start and end markers, and the texts of times and sizes.

#include "mainwindow/snipforge/Dialog.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <cstdio>
#include <limits>
#include <mutex>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;

namespace {

constexpr i64 kUsPerSecond = 1000000;
constexpr i64 kMax = std::numeric_limits<i64>::max();
constexpr i64 kMin = std::numeric_limits<i64>::min();

// Language-pack numbers of the status texts about time fields.
constexpr i32 kTextNotATime = 1104000;
constexpr i32 kTextTimeForms = 1104001;
constexpr i32 kTextReady = 609450;

// Typed times may hold any number of digits; they are clamped to the file
// afterwards, so saturating is as good as exact.
i64 addSaturated(i64 a, i64 b) {
    i64 sum;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? kMax : kMin;
    return sum;
}

i64 mulSaturated(i64 a, i64 b) {
    i64 product;
    if (__builtin_mul_overflow(a, b, &product))
        return (a < 0) != (b < 0) ? kMin : kMax;
    return product;
}

bool isMarker(i32 which) {
    return which == kEditStart || which == kEditEnd;
}

// Digits only, with a leading '-' allowed when something follows it.
bool isNumber(std::u16string_view part) {
    if (part.empty())
        return false;
    size_t i = part[0] == u'-' && part.size() > 1 ? 1 : 0;
    for (; i < part.size(); ++i) {
        if (part[i] < u'0' || part[i] > u'9')
            return false;
    }
    return true;
}

// The value of a part that passed `isNumber`.
i64 numberValue(std::u16string_view part) {
    const bool negative = part[0] == u'-';
    i64 value = 0;
    for (size_t i = negative ? 1 : 0; i < part.size(); ++i) {
        const i64 digit = part[i] - u'0';
        value = addSaturated(mulSaturated(value, 10), negative ? -digit : digit);
    }
    return value;
}

// Splits at `separator`, keeping empty pieces; false when there are more
// than `maxParts` pieces.
bool splitAt(std::u16string_view text, char16_t separator, std::u16string_view* parts, size_t maxParts,
             size_t& count) {
    count = 0;
    size_t from = 0;
    while (true) {
        const size_t end = text.find(separator, from);
        if (count == maxParts)
            return false;
        parts[count++] =
            text.substr(from, end == std::u16string_view::npos ? std::u16string_view::npos : end - from);
        if (end == std::u16string_view::npos)
            return true;
        from = end + 1;
    }
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00a0';
}

// The text without the blanks around it (a pasted time often brings some).
std::u16string_view trimmed(std::u16string_view text) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The seconds part "S", "S.f" or "S,f" (one to three fraction digits).
bool parseSeconds(std::u16string_view text, bool strict, i64& us) {
    const size_t mark = text.find_first_of(u".,");
    const std::u16string_view whole = text.substr(0, mark);
    if (strict && whole.size() != 2)
        return false;
    if (!isNumber(whole))
        return false;
    us = mulSaturated(numberValue(whole), kUsPerSecond);
    if (mark == std::u16string_view::npos)
        return true;
    const std::u16string_view fraction = text.substr(mark + 1);
    if (fraction.empty() || fraction.size() > 3 || !isNumber(fraction) || fraction[0] == u'-')
        return false;
    const i64 scale = fraction.size() == 1 ? 100 : (fraction.size() == 2 ? 10 : 1);
    const i64 fractionUs = numberValue(fraction) * scale * 1000;
    us = addSaturated(us, whole[0] == u'-' ? -fractionUs : fractionUs);
    return true;
}

// Strict: "H:MM:SS" with an optional fraction, as the field shows times.
// Lenient: also "S" and "M:S", and any numbers in every part ("75",
// "1:15.5", "0:90:0").
bool parseTime(std::u16string_view text, bool strict, i64& us) {
    text = trimmed(text);
    std::u16string_view fields[3];
    size_t fieldCount = 0;
    if (!splitAt(text, u':', fields, 3, fieldCount))
        return false;
    if (strict && fieldCount != 3)
        return false;
    const std::u16string_view seconds = fields[fieldCount - 1];
    const std::u16string_view minutes = fieldCount >= 2 ? fields[fieldCount - 2] : std::u16string_view(u"0");
    const std::u16string_view hours = fieldCount == 3 ? fields[0] : std::u16string_view(u"0");
    if (strict && minutes.size() != 2)
        return false;
    if (!isNumber(hours) || !isNumber(minutes))
        return false;
    i64 secondsUs = 0;
    if (!parseSeconds(seconds, strict, secondsUs))
        return false;
    const i64 total = addSaturated(mulSaturated(numberValue(hours), 3600), mulSaturated(numberValue(minutes), 60));
    us = addSaturated(mulSaturated(total, kUsPerSecond), secondsUs);
    return true;
}

} // namespace

void Dialog::formatTime(i64 us, i32 cutMode, StrBuffer& out) {
    out.clear();
    i64 ms = std::llround(static_cast<double>(us) / 1000.0);
    if (ms < 0) {
        out.append(u'-');
        ms = -ms; // |us / 1000| is far from the limits
    }
    const long long seconds = ms / 1000;
    char text[64];
    if (cutMode == kPreciseMode)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld", seconds / 3600, (seconds / 60) % 60,
                      seconds % 60, static_cast<long long>(ms % 1000));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, (seconds / 60) % 60,
                      seconds % 60);
    out.append(text);
}

bool Dialog::parseTimeStrict(std::u16string_view text, i64& us) {
    return parseTime(text, true, us);
}

bool Dialog::parseTimeLenient(std::u16string_view text, i64& us) {
    return parseTime(text, false, us);
}

void Dialog::sizeText(i64 bytes, StrBuffer& out) {
    out.clear();
    if (bytes < 0) {
        out.append(u"-");
        return;
    }
    static const char* const kUnits[] = {" KB", " MB", " GB", " TB"};
    // 10-bit groups from KB up; the top group keeps what lies above it, so
    // that a size past 1023 TB does not read as a small one.
    i64 groups[5];
    for (int i = 0; i < 4; ++i)
        groups[i] = (bytes >> (10 * i)) & 1023;
    groups[4] = bytes >> 40;
    char text[64];
    for (int unit = 4; unit >= 1; --unit) {
        if (groups[unit] == 0)
            continue;
        std::snprintf(text, sizeof text, "%lld.%02lld%s", static_cast<long long>(groups[unit]),
                      static_cast<long long>(groups[unit - 1] * 100 / 1024), kUnits[unit - 1]);
        out.append(text);
        return;
    }
    std::snprintf(text, sizeof text, "%lld B", static_cast<long long>(groups[0]));
    out.append(text);
}

void Dialog::durationText(i64 us, StrBuffer& out) {
    out.clear();
    const long long seconds = us / kUsPerSecond;
    char text[64];
    std::snprintf(text, sizeof text, "[%02lld:%02lld:%02lld]", seconds / 3600, (seconds / 60) % 60,
                  seconds % 60);
    out.append(text);
}

i32 Dialog::checkedMarker() const {
    if (!m_view)
        return m_editing;
    if (m_view->isMarkerChecked(kEditStart))
        return kEditStart;
    if (m_view->isMarkerChecked(kEditEnd))
        return kEditEnd;
    return kEditNone;
}

void Dialog::checkMarker(i32 which) {
    m_editing = which;
    if (m_view) {
        m_view->setMarkerChecked(which, true);
        m_view->setMarkerChecked(which == kEditStart ? kEditEnd : kEditStart, false);
    }
    if (m_observer)
        m_observer->onEditingChanged(which);
}

i64 Dialog::clampToDuration(i64 us) const {
    if (us < 0)
        us = 0;
    return us > m_shownDurationUs ? m_shownDurationUs : us;
}

void Dialog::setMarker(i32 which, i64 us) {
    (which == kEditEnd ? m_endUs : m_startUs) = clampToDuration(us);
    if (m_observer)
        m_observer->onPositionsChanged(m_startUs, m_endUs);
}

void Dialog::showMarkerTime(i32 which) {
    if (!m_view)
        return;
    StrBuffer text;
    formatTime(markerUs(which), m_cutMode.load(), text);
    m_view->setTimeText(which, text.c_str());
    markTimeInvalid(which, false);
}

void Dialog::markTimeInvalid(i32 which, bool invalid, std::u16string_view typed) {
    if (!isMarker(which))
        return;
    const bool was = m_timeInvalid[which];
    m_timeInvalid[which] = invalid;
    if (m_view && was != invalid)
        m_view->setTimeInvalid(which, invalid);
    if (invalid) {
        StrBuffer status;
        status.append(text(kTextNotATime, u"Not a time:"))
            .append(u" \"")
            .append(typed.data(), static_cast<i32>(typed.size()))
            .append(u"\" \u2013 ")
            .append(text(kTextTimeForms, u"type seconds (75 or 75.5), minutes:seconds (1:15) or "
                                         u"hours:minutes:seconds (0:01:15.500)."));
        notifyStatus(status.c_str());
    } else if (was && !m_timeInvalid[1 - which] && !isBusy()) {
        notifyStatus(text(kTextReady, u"Ready"));
    }
}

void Dialog::showMarkerSlider(i32 which) {
    if (m_view)
        m_view->setSliderPosition(which, markerUs(which) / kUsPerSecond);
}

void Dialog::requestFrame(i64 us) {
    m_shownUs = us;
    Guard guard(m_sourceLock);
    if (m_frameSource) {
        logPreviewTiming("request", us);
        m_frameSource->requestFrame(us);
        if (m_view)
            m_view->setPreviewBusy(true);
    }
}

void Dialog::step(i64 deltaUs) {
    const i32 which = checkedMarker();
    if (!isMarker(which))
        return;
    const i64 after = clampToDuration(addSaturated(markerUs(which), deltaUs));
    if (after == markerUs(which))
        return;
    setMarker(which, after);
    showMarkerTime(which);
    showMarkerSlider(which);
    requestFrame(markerUs(which));
}

void Dialog::stepFrames(i64 n) {
    step(mulSaturated(m_shownFrameUs, n));
}

void Dialog::onSliderMoved(i32 which) {
    if (!isMarker(which) || !m_view)
        return;
    // The slider counts whole seconds; its right end is the end of the
    // file, whose last frame lies past its last whole second.
    const i64 seconds = m_view->sliderPosition(which);
    setMarker(which, seconds >= m_shownDurationUs / kUsPerSecond ? m_shownDurationUs
                                                                : mulSaturated(seconds, kUsPerSecond));
    checkMarker(which);
    showMarkerTime(which);
    requestFrame(markerUs(which));
}

void Dialog::onTimeTyped(i32 which) {
    if (!isMarker(which) || !m_view)
        return;
    StrBuffer text;
    m_view->timeText(which, text);
    i64 us = 0;
    // A field marked as not holding a time loses the mark as soon as it
    // holds one again, complete or not.
    if (m_timeInvalid[which] && parseTimeLenient(text.view(), us))
        markTimeInvalid(which, false);
    if (!parseTimeStrict(text.view(), us) || us == markerUs(which))
        return;
    setMarker(which, us);
    showMarkerSlider(which);
    checkMarker(which);
    requestFrame(markerUs(which));
}

void Dialog::onTimeCommitted(i32 which) {
    if (!isMarker(which) || !m_view)
        return;
    StrBuffer text;
    m_view->timeText(which, text);
    i64 us = 0;
    if (!parseTimeLenient(text.view(), us)) {
        // Not a time: the text stays for the user to correct, marked as
        // such, and the marker keeps its position.
        markTimeInvalid(which, true, text.view());
        return;
    }
    const i64 taken = clampToDuration(us);
    if (taken != markerUs(which)) {
        setMarker(which, taken);
        showMarkerSlider(which);
        checkMarker(which);
        requestFrame(markerUs(which));
    } else if (checkedMarker() != which || m_shownUs != taken) {
        // The time entered is where the marker is already, but the preview
        // shows another position: the user chose this one, show it.
        checkMarker(which);
        requestFrame(markerUs(which));
    }
    // The field shows the position taken, in the field's own form.
    showMarkerTime(which);
}

void Dialog::onMarkerChosen(i32 which) {
    if (!isMarker(which))
        return;
    m_editing = which;
    requestFrame(markerUs(which));
}

void Dialog::revertTime(i32 which) {
    if (isMarker(which))
        showMarkerTime(which);
}

void Dialog::chooseMarker(i32 which) {
    if (!isMarker(which))
        return;
    checkMarker(which);
    requestFrame(markerUs(which));
}

void Dialog::setMarkerHere(i32 which) {
    if (!isMarker(which))
        return;
    const i64 here = clampToDuration(m_shownUs);
    checkMarker(which);
    if (here == markerUs(which))
        return;
    setMarker(which, here);
    showMarkerTime(which);
    showMarkerSlider(which);
    requestFrame(markerUs(which));
}

void Dialog::onImageReady() {
    Guard guard(m_sourceLock);
    // Pictures of older positions may come on the way to the newest; the
    // busy look stays until the last one asked for is there.
    if (m_view && (!m_frameSource || !m_frameSource->isBusy()))
        m_view->setPreviewBusy(false);
    if (!m_frameSource || !m_frameSource->isImagePending())
        return;
    image::win::BufferedImage* image = m_view ? m_view->previewImage() : nullptr;
    if (!image) {
        m_frameSource->discardImage();
        return;
    }
    m_view->setPreviewUpdating(true);
    const bool taken = m_frameSource->takeImage(image);
    m_view->setPreviewUpdating(false);
    if (taken) {
        m_view->redrawPreview();
        logPreviewTiming("picture", m_shownUs);
    }
}

void Dialog::logPreviewTiming(const char* what, i64 us) {
    // For measuring click-to-picture times from outside (the benchmarks):
    // wall-clock microseconds, comparable with another process's clock.
    static const bool enabled = std::getenv("SNIPFORGE_PREVIEW_TIMING") != nullptr;
    if (!enabled)
        return;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "preview %s %lld at %lld\n", what, static_cast<long long>(us),
                 static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
    std::fflush(stderr);
}

} // namespace s::video::gui::dialogs::snipforge
