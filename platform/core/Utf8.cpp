#include "Utf8.h"

#include "Utf8Blocks.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool AllAscii(const std::uint8_t* p, std::size_t n, std::size_t& firstNonAscii) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull)
            break;
    }
    for (; i < n; ++i) {
        if (p[i] & 0x80) {
            firstNonAscii = i;
            return false;
        }
    }
    return true;
}

// Length of the well-formed sequence at p (n bytes there) and its code point in c, or 0 when
// p[0] starts none: no overlong forms, no surrogates, nothing above U+10FFFF, and a sequence
// cut short by the end is none.
inline std::size_t SequenceLength(const std::uint8_t* p, std::size_t n, char32_t& c) {
    const std::uint8_t b = p[0];
    std::size_t len;
    std::uint8_t lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3, c = b & 0x0F;
        lo = b == 0xE0 ? 0xA0 : 0x80;
        hi = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4, c = b & 0x07;
        lo = b == 0xF0 ? 0x90 : 0x80;
        hi = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (n < len || p[1] < lo || p[1] > hi)
        return 0;
    c = (c << 6) | (p[1] & 0x3F);
    for (std::size_t k = 2; k < len; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (p[k] & 0x3F);
    }
    return len;
}

} // namespace

bool IsValidUtf8(const std::uint8_t* p, std::size_t n) {
    static const std::size_t blockBytes = Utf8BlockBytes();
    return blockBytes ? IsValidUtf8InBlocks(p, n, blockBytes) : IsValidUtf8BySequence(p, n);
}

bool IsValidUtf8BySequence(const std::uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n) {
        std::size_t skip = 0;
        if (AllAscii(p + i, n - i, skip))
            return true;
        i += skip;
        char32_t c;
        const std::size_t len = SequenceLength(p + i, n - i, c);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

// Most names are short: eight bytes at a time where the vector unit is there, the last eight
// overlapping.
void WidenAscii(const char* from, std::size_t n, char16_t* to) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    auto eight = [&](std::size_t at) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(bytes, zero));
    };
    if (n >= 8) {
        for (std::size_t at = 0; at + 8 < n; at += 8)
            eight(at);
        eight(n - 8);
        return;
    }
#endif
    for (std::size_t i = 0; i < n; ++i)
        to[i] = static_cast<char16_t>(from[i]);
}

// At most one UTF-16 unit comes of each byte (a four-byte sequence makes two), so the decoder
// writes into room made once instead of growing the string a unit at a time.
void DecodeUtf8Append(std::string_view bytes, std::u16string& out) {
    const std::size_t base = out.size();
    out.resize(base + bytes.size());
    out.resize(base + DecodeUtf8Into(bytes, out.data() + base));
}

std::size_t DecodeUtf8Into(std::string_view bytes, char16_t* out, std::size_t most) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* w = out;
    for (std::size_t i = 0; i < n && static_cast<std::size_t>(w - out) < most;) {
        if (p[i] < 0x80) {
            *w++ = static_cast<char16_t>(p[i++]);
            continue;
        }
        char32_t c = 0;
        const std::size_t len = SequenceLength(p + i, n - i, c);
        if (len == 0) {
            *w++ = u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            *w++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *w++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *w++ = static_cast<char16_t>(c);
        }
        i += len;
    }
    return static_cast<std::size_t>(w - out);
}

void CUtf8Evidence::Feed(const std::uint8_t* bytes, std::size_t count) {
    if (!m_bValid || count == 0)
        return;
    std::size_t first = 0;
    if (AllAscii(bytes, count, first))
        return;
    m_bNonAscii = true;
    m_bValid = IsValidUtf8(bytes + first, count - first);
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

void AppendUtf8(std::u16string_view text, std::string& out) {
    // At most three bytes for each UTF-16 unit: size once, write through a pointer.
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size());
    char* o = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            *o++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            *o++ = static_cast<char>(0xC0 | (c >> 6));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = static_cast<char>(0xE0 | (c >> 12));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            // A surrogate pair: two units in, four bytes out, within the six allowed.
            *o++ = static_cast<char>(0xF0 | (c >> 18));
            *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}
