#include "ItemNames.h"

#include "TextCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

bool IsAscii(std::string_view bytes) {
    unsigned char high = 0;
    for (const char c : bytes)
        high |= static_cast<unsigned char>(c);
    return high < 0x80;
}

} // namespace

bool CItemNames::Fits(std::size_t length) const {
    const SPart& last = m_parts[m_nTailRow == kNoTail ? 0 : 1];
    return last.bytes.Size() + length <= std::numeric_limits<std::uint32_t>::max() &&
           static_cast<std::size_t>(Count()) <
               static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

std::int32_t CItemNames::AppendBytes(const char* bytes, std::size_t length) {
    if (!Fits(length))
        return -1;
    SPart& part = Last();
    const auto start = static_cast<std::uint32_t>(part.bytes.Size());
    part.bytes.Append(bytes, length);
    // The row goes in last, so a row whose name found no room is no row.
    part.starts.Append(&start, 1);
    return Count() - 1;
}

std::int32_t CItemNames::Append(std::u16string_view name) {
    if (!m_bWide)
        Widen();
    return AppendBytes(reinterpret_cast<const char*>(name.data()), name.size() * 2);
}

std::int32_t CItemNames::AppendAscii(std::string_view name) {
    if (!m_bWide)
        return AppendBytes(name.data(), name.size());
    const std::u16string wide(name.begin(), name.end());
    return Append(wide);
}

std::int32_t CItemNames::AppendCoded(std::string_view bytes, const CTextCodec& codec) {
    // Bytes read back by another code page's rule would be other characters, and only an
    // ASCII-compatible conversion that makes a unit of at most a byte reads ASCII rows and
    // searches as the bytes themselves.
    const bool keepsBytes = !m_bWide && codec.DecodesInPlace() && codec.IsAsciiCompatible() &&
                            (!m_pCodec || m_pCodec == &codec);
    if (keepsBytes) {
        m_pCodec = &codec;
        return AppendBytes(bytes.data(), bytes.size());
    }
    std::u16string name;
    codec.DecodeAppendNonAscii(bytes, name);
    return Append(name);
}

void CItemNames::Widen() {
    if (m_bWide)
        return;
    SPart wide[2];
    std::u16string name;
    for (int k = 0; k < 2; ++k) {
        const SPart& part = m_parts[k];
        for (std::size_t j = 0; j < part.starts.Size(); ++j) {
            const std::size_t row = k == 0 ? j : static_cast<std::size_t>(m_nTailRow) + j;
            Convert(BytesOf(row), name);
            const auto start = static_cast<std::uint32_t>(wide[k].bytes.Size());
            if (wide[k].bytes.Size() + name.size() * 2 > std::numeric_limits<std::uint32_t>::max())
                throw std::bad_alloc(); // the names so far no longer fit one pool
            wide[k].bytes.Append(reinterpret_cast<const char*>(name.data()), name.size() * 2);
            wide[k].starts.Append(&start, 1);
        }
    }
    for (int k = 0; k < 2; ++k) {
        m_parts[k].bytes.Swap(wide[k].bytes);
        m_parts[k].starts.Swap(wide[k].starts);
    }
    m_bWide = true;
}

void CItemNames::TakeFormOf(CItemNames& other) {
    // Both pools must keep names in one form: an empty one takes the other's, and bytes of
    // two code pages are both converted.
    if (Count() == 0 && !m_bWide) {
        m_bWide = other.m_bWide;
        m_pCodec = other.m_pCodec;
    }
    const bool sameForm = m_bWide == other.m_bWide &&
                          (m_bWide || !m_pCodec || !other.m_pCodec || m_pCodec == other.m_pCodec);
    if (!sameForm) {
        Widen();
        other.Widen();
    }
}

bool CItemNames::AdoptHeld(CItemNames& held) {
    const std::int32_t count = held.Count();
    if (count == 0)
        return true;
    if (m_nTailRow != kNoTail || held.m_nTailRow != kNoTail ||
        static_cast<std::size_t>(Count()) + static_cast<std::size_t>(count) >
            static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    TakeFormOf(held);
    m_nTailRow = Count();
    m_parts[1].bytes.Swap(held.m_parts[0].bytes);
    m_parts[1].starts.Swap(held.m_parts[0].starts);
    if (!m_pCodec)
        m_pCodec = held.m_pCodec;
    held.Clear();
    return true;
}

std::int32_t CItemNames::AppendRowsOf(CItemNames& other) {
    const std::int32_t count = other.Count();
    if (count == 0)
        return 0;
    TakeFormOf(other);
    if (!m_pCodec)
        m_pCodec = other.m_pCodec;
    std::int32_t appended = 0;
    for (const SPart& from : other.m_parts) {
        const std::size_t rows = from.starts.Size();
        if (rows == 0)
            continue;
        // A part that fits whole is copied as one block, its starts moved by where it lands.
        if (Fits(from.bytes.Size()) &&
            static_cast<std::size_t>(Count()) + rows <= static_cast<std::size_t>(kNoTail)) {
            SPart& to = Last();
            const auto base = static_cast<std::uint32_t>(to.bytes.Size());
            to.bytes.Append(from.bytes.Data(), from.bytes.Size());
            std::uint32_t* starts = to.starts.Extend(rows);
            for (std::size_t j = 0; j < rows; ++j)
                starts[j] = from.starts[j] + base;
            appended += static_cast<std::int32_t>(rows);
            continue;
        }
        // Near the pool's limits: row by row, as far as they fit.
        for (; appended < count; ++appended) {
            const std::string_view bytes = other.BytesOf(static_cast<std::size_t>(appended));
            if (AppendBytes(bytes.data(), bytes.size()) < 0)
                break;
        }
        return appended;
    }
    return appended;
}

void CItemNames::Clear() {
    for (SPart& part : m_parts) {
        part.bytes.Clear();
        part.starts.Clear();
    }
    m_nTailRow = kNoTail;
    m_pCodec = nullptr;
    m_bWide = false;
}

void CItemNames::Squeeze() {
    for (SPart& part : m_parts) {
        part.bytes.Squeeze();
        part.starts.Squeeze();
    }
}

std::string_view CItemNames::BytesOf(std::size_t row) const {
    const std::size_t head = m_parts[0].starts.Size();
    const SPart& part = m_parts[row < head ? 0 : 1];
    const std::size_t j = row < head ? row : row - head;
    const std::size_t start = part.starts[j];
    const std::size_t end = j + 1 < part.starts.Size() ? part.starts[j + 1] : part.bytes.Size();
    return {part.bytes.Data() + start, end - start};
}

void CItemNames::Convert(std::string_view bytes, std::u16string& out, std::size_t most) const {
    if (m_bWide) {
        out.resize(std::min(bytes.size() / 2, most));
        std::memcpy(out.data(), bytes.data(), out.size() * 2);
        return;
    }
    // ASCII bytes are the first units themselves, one each.
    const std::string_view start = bytes.substr(0, std::min(bytes.size(), most));
    if (!m_pCodec || IsAscii(start)) {
        out.resize(start.size());
        WidenAscii(start.data(), start.size(), out.data());
        return;
    }
    out.resize(bytes.size()); // at most a unit a byte
    out.resize(m_pCodec->DecodeInto(bytes, out.data(), most));
}

void CItemNames::NameInto(std::int32_t row, std::u16string& out) const {
    if (row < 0 || row >= Count()) {
        out.clear();
        return;
    }
    Convert(BytesOf(static_cast<std::size_t>(row)), out);
}

std::int32_t CItemNames::FindPrefix(std::int32_t after, std::u16string_view term) const {
    const std::int32_t count = Count();
    if (count == 0)
        return -1;
    if (after < 0 || after >= count)
        after = count - 1; // so that the first row tried is row 0
    std::vector<char16_t> folded(term.begin(), term.end());
    bool asciiTerm = true;
    for (char16_t& c : folded) {
        c = FoldAscii(c);
        asciiTerm &= c < 0x80;
    }
    const std::size_t length = folded.size();
    std::u16string name;
    // A name is converted only as far as the term reaches, and that in steps, so that most rows
    // are left after their first few characters.
    auto matchesConverted = [&](std::string_view bytes) {
        std::size_t checked = 0;
        for (std::size_t want = std::min<std::size_t>(length, 4);;
             want = std::min(length, want * 4)) {
            Convert(bytes, name, want);
            if (name.size() < want)
                return false; // the whole name is shorter than the term
            for (; checked < want; ++checked) {
                if (FoldAscii(name[checked]) != folded[checked])
                    return false;
            }
            if (want == length)
                return true;
        }
    };
    // Rows kept as bytes make a unit of each ASCII byte, and of a byte at most: an ASCII term
    // is matched on the bytes until one from 0x80 up, which only a conversion can read.
    auto matches = [&](std::int32_t row) {
        const std::string_view bytes = BytesOf(static_cast<std::size_t>(row));
        if (m_bWide || !asciiTerm)
            return matchesConverted(bytes);
        if (bytes.size() < length)
            return false;
        for (std::size_t i = 0; i < length; ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b >= 0x80)
                return matchesConverted(bytes);
            if (FoldAscii(b) != folded[i])
                return false;
        }
        return true;
    };
    for (std::int32_t row = after + 1; row < count; ++row) {
        if (matches(row))
            return row;
    }
    for (std::int32_t row = 0; row <= after; ++row) {
        if (matches(row))
            return row;
    }
    return -1;
}
