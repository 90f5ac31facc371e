#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Gathers evidence, chunk by chunk, of whether text is UTF-8: every chunk must be valid UTF-8
// on its own, and some byte must lie outside ASCII (pure ASCII decides nothing).
class CUtf8Evidence {
public:
    void Feed(const std::uint8_t* bytes, std::size_t count);
    bool LooksUtf8() const { return m_bValid && m_bNonAscii; }
    bool Refuted() const { return !m_bValid; }

private:
    bool m_bValid = true;
    bool m_bNonAscii = false;
};

// Strict UTF-8 validation: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::uint8_t* bytes, std::size_t count);
// The same, one sequence at a time: where the processor has no vector shuffle, and as the
// reference the vector check is compared with.
bool IsValidUtf8BySequence(const std::uint8_t* bytes, std::size_t count);

// UTF-8 to UTF-16, appended to out; each byte that starts no well-formed sequence (by the rules
// of IsValidUtf8) becomes U+FFFD. Zero bytes convert like any other.
void DecodeUtf8Append(std::string_view bytes, std::u16string& out);
// The same into out, which has room for bytes.size() units (never more are made); returns the
// units written. Stops once at least `most` are written: the first units of the whole text.
std::size_t DecodeUtf8Into(std::string_view bytes, char16_t* out, std::size_t most = SIZE_MAX);

// Writes the count bytes at from, each below 0x80, as the count UTF-16 units of their values.
void WidenAscii(const char* from, std::size_t count, char16_t* to);

// UTF-16 to UTF-8, for terminal output; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
void AppendUtf8(std::u16string_view text, std::string& out);
