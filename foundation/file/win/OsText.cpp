#include "foundation/file/win/OsText.h"

#include "foundation/str/StrBuffer.h"

namespace s::file::win {

namespace {

void putUtf8(u32 cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at bytes[i]; returns its length, or 0 when the
// byte at i does not start a valid, shortest-form sequence.
u32 decodeOne(std::string_view bytes, size_t i, u32* cp) {
    auto b = [&](size_t k) { return static_cast<u8>(bytes[k]); };
    const u8 lead = b(i);
    const size_t left = bytes.size() - i;
    if (lead < 0x80) {
        *cp = lead;
        return 1;
    }
    u32 len;
    u32 value;
    u32 min;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2, value = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3, value = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4, value = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (left < len)
        return 0;
    for (u32 k = 1; k < len; ++k) {
        const u8 c = b(i + k);
        if ((c & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (c & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *cp = value;
    return len;
}

template <class Sink> void decode(std::string_view bytes, Sink&& sink) {
    size_t i = 0;
    while (i < bytes.size()) {
        u32 cp = 0;
        const u32 len = decodeOne(bytes, i, &cp);
        if (len == 0) {
            sink(static_cast<char16_t>(0xDC00 + static_cast<u8>(bytes[i])));
            ++i;
            continue;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            sink(static_cast<char16_t>(0xD800 + (cp >> 10)));
            sink(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            sink(static_cast<char16_t>(cp));
        }
    }
}

} // namespace

void appendOsText(const char16_t* text, u32 n, std::string& out) {
    for (u32 i = 0; i < n; ++i) {
        const u32 c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            putUtf8(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00), out);
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            out.push_back(static_cast<char>(c - 0xDC00)); // an undecodable byte, restored
        } else {
            putUtf8(c, out);
        }
    }
}

std::string toOsText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    appendOsText(text.data(), static_cast<u32>(text.size()), out);
    return out;
}

void appendFromOsText(std::string_view bytes, str::strbuffer::StrBuffer& out) {
    out.ensureCapacity(out.length() + static_cast<u32>(bytes.size()));
    decode(bytes, [&](char16_t c) { out.append(c); });
}

std::u16string fromOsText(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    decode(bytes, [&](char16_t c) { out.push_back(c); });
    return out;
}

} // namespace s::file::win
