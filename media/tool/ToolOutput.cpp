#include "media/tool/ToolOutput.h"

namespace s::video::tool {

using str::strbuffer::StrBuffer;

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// The last "time=" in any case, or npos.
size_t lastTimeKey(std::string_view text) {
    constexpr std::string_view kKey = "time=";
    if (text.size() < kKey.size())
        return std::string_view::npos;
    for (size_t i = text.size() - kKey.size() + 1; i-- > 0;) {
        bool match = true;
        for (size_t k = 0; k < kKey.size() && match; ++k)
            match = lowerAscii(text[i + k]) == kKey[k];
        if (match)
            return i;
    }
    return std::string_view::npos;
}

// A whole number (digits with an optional leading minus), else 0. Very long
// numbers saturate instead of overflowing.
i64 wholeNumber(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i == text.size())
        return 0;
    i64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        if (value < 1'000'000'000)
            value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

} // namespace

ProgressParse parseProgressChunk(std::string_view chunk, i64 durationMs) {
    ProgressParse result;
    const size_t key = lastTimeKey(chunk);
    if (key == std::string_view::npos)
        return result;
    result.kind = ProgressParse::kNoValue;
    std::string_view rest = chunk.substr(key + 5);
    const size_t end = rest.find_first_of(" \t");
    if (end == std::string_view::npos)
        return result;
    rest = rest.substr(0, end);

    i64 hours = 0, minutes = 0, seconds = 0, millis = 0;
    size_t sep = rest.find(':');
    if (sep != std::string_view::npos) {
        hours = wholeNumber(rest.substr(0, sep));
        rest = rest.substr(sep + 1);
    }
    sep = rest.find(':');
    if (sep != std::string_view::npos) {
        minutes = wholeNumber(rest.substr(0, sep));
        rest = rest.substr(sep + 1);
    }
    sep = rest.find('.');
    if (sep != std::string_view::npos) {
        seconds = wholeNumber(rest.substr(0, sep));
        millis = wholeNumber(rest.substr(sep + 1)) * 10;
    }

    i64 current = hours * 3'600'000 + minutes * 60'000 + seconds * 1000 + millis;
    i64 total = durationMs;
    if (total <= 0)
        total = 1;
    while (total > 10000) {
        total /= 10;
        current /= 10;
    }
    if (current <= 0)
        current = 1;
    if (current >= total)
        current = total;
    if (static_cast<float>(current) / static_cast<float>(total) < 0.4f)
        current = static_cast<i64>(static_cast<float>(total) * 0.4f);

    result.kind = ProgressParse::kValue;
    result.total = total;
    result.current = current;
    return result;
}

ToolOutputReader::ToolOutputReader(i64 durationMs, const StrBuffer* statusText,
                                   event::INamedEventTarget* target, event::IProcessHooks* hooks,
                                   StrBuffer* errorReport)
    : m_durationMs(durationMs), m_statusText(StrBuffer::create()), m_target(target), m_hooks(hooks),
      m_errorReport(errorReport) {
    if (statusText)
        m_statusText->set(*statusText);
}

ToolOutputReader::~ToolOutputReader() {
    m_statusText->release();
}

void ToolOutputReader::feed(std::string_view bytes) {
    for (;;) {
        const size_t cr = bytes.find('\r');
        if (cr == std::string_view::npos) {
            m_chunk.append(bytes);
            return;
        }
        m_chunk.append(bytes.substr(0, cr));
        endChunk();
        bytes = bytes.substr(cr + 1);
    }
}

void ToolOutputReader::finish() {
    if (!m_chunk.empty())
        endChunk();
}

void ToolOutputReader::addNote(std::string_view line) {
    std::string text(line);
    text += '\n';
    keep(text);
}

void ToolOutputReader::endChunk() {
    const ProgressParse progress = parseProgressChunk(m_chunk, m_durationMs);
    if (progress.kind == ProgressParse::kNotProgress) {
        keep(m_chunk);
    } else if (progress.kind == ProgressParse::kValue) {
        if (m_hooks)
            m_hooks->processProgress(m_target, progress.total, progress.current);
        if (m_target)
            m_target->sendEvent(event::kProcessStatusUpdate, progress.total, progress.current, m_statusText);
    }
    m_chunk.clear();
}

void ToolOutputReader::keep(std::string_view text) {
    if (!m_errorReport)
        return;
    if (!m_headerAdded) {
        m_errorReport->append(u"[FFmpeg Output]:\n");
        m_headerAdded = true;
    }
    if (m_errorReport->length() <= kReportLimit)
        m_errorReport->appendUtf8(text);
}

} // namespace s::video::tool
