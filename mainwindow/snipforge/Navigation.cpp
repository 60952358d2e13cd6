// Moving the scene's start and end markers, and the texts of times and sizes.

#include "mainwindow/snipforge/Dialog.h"

#include "foundation/str/TimeText.h"

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;
using str::timetext::appendClock;
using str::timetext::kFieldClock;
using str::timetext::kFieldClockMs;
using str::timetext::kFieldTime;
using str::timetext::kLengthClock;
using str::timetext::kTypedTime;
using str::timetext::parseTime;

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

} // namespace

void Dialog::formatTime(i64 us, i32 cutMode, StrBuffer& out) {
    out.clear();
    appendClock(out, us, cutMode == kPreciseMode ? kFieldClockMs : kFieldClock);
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
    appendClock(out.append(u'['), us, kLengthClock).append(u']');
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
    if (m_timeInvalid[which] && parseTime(text.view(), kTypedTime, us))
        markTimeInvalid(which, false);
    if (!parseTime(text.view(), kFieldTime, us) || us == markerUs(which))
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
    if (!parseTime(text.view(), kTypedTime, us)) {
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
