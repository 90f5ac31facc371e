#include "Utf8Blocks.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>

namespace {

// What a pair of bytes (the one before, then this one) may break; a pair breaks a rule when all
// three look-ups name it.
constexpr std::uint8_t kTooShort = 1 << 0;  // a lead, then no continuation
constexpr std::uint8_t kTooLong = 1 << 1;   // ASCII, then a continuation
constexpr std::uint8_t kOverlong3 = 1 << 2; // E0, then 80..9F
constexpr std::uint8_t kTooLarge = 1 << 3;  // F4..FF, then 90..BF
constexpr std::uint8_t kSurrogate = 1 << 4; // ED, then A0..BF
constexpr std::uint8_t kOverlong2 = 1 << 5; // C0 or C1, then anything
constexpr std::uint8_t kTooLarge8 = 1 << 6; // F5..FF, then 80..8F
constexpr std::uint8_t kOverlong4 = 1 << 6; // F0, then 80..8F
constexpr std::uint8_t kTwoConts = 1 << 7;  // a continuation, then another
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

#define TOMLET_SSSE3 __attribute__((target("ssse3")))

TOMLET_SSSE3 inline __m128i Table(const std::uint8_t (&t)[16]) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
}

// The rules broken in block, whose bytes follow those of before; a continuation owed to a lead
// two or three bytes back sets bit 7 there, which a second continuation also sets.
TOMLET_SSSE3 inline __m128i Broken(__m128i block, __m128i before) {
    static constexpr std::uint8_t kFirstHigh[16] = {kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTooLong,
                                                    kTwoConts,
                                                    kTwoConts,
                                                    kTwoConts,
                                                    kTwoConts,
                                                    kTooShort | kOverlong2,
                                                    kTooShort,
                                                    kTooShort | kOverlong3 | kSurrogate,
                                                    kTooShort | kTooLarge | kTooLarge8 |
                                                        kOverlong4};
    static constexpr std::uint8_t kFirstLow[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
                                                   kCarry | kOverlong2,
                                                   kCarry,
                                                   kCarry,
                                                   kCarry | kTooLarge,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8 | kSurrogate,
                                                   kCarry | kTooLarge | kTooLarge8,
                                                   kCarry | kTooLarge | kTooLarge8};
    static constexpr std::uint8_t kSecondHigh[16] = {
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge8 | kOverlong4,
        kTooLong | kOverlong2 | kTwoConts | kOverlong3 | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooLong | kOverlong2 | kTwoConts | kSurrogate | kTooLarge,
        kTooShort,
        kTooShort,
        kTooShort,
        kTooShort};
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i prev1 = _mm_alignr_epi8(block, before, 15);
    const __m128i firstHigh =
        _mm_shuffle_epi8(Table(kFirstHigh), _mm_and_si128(_mm_srli_epi16(prev1, 4), nibble));
    const __m128i firstLow = _mm_shuffle_epi8(Table(kFirstLow), _mm_and_si128(prev1, nibble));
    const __m128i secondHigh =
        _mm_shuffle_epi8(Table(kSecondHigh), _mm_and_si128(_mm_srli_epi16(block, 4), nibble));
    const __m128i pair = _mm_and_si128(_mm_and_si128(firstHigh, firstLow), secondHigh);
    // Bit 7 where a lead of three bytes or more lies two back, or one of four three back.
    const __m128i prev2 = _mm_alignr_epi8(block, before, 14);
    const __m128i prev3 = _mm_alignr_epi8(block, before, 13);
    const __m128i third = _mm_subs_epu8(prev2, _mm_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m128i fourth = _mm_subs_epu8(prev3, _mm_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m128i owed =
        _mm_and_si128(_mm_or_si128(third, fourth), _mm_set1_epi8(static_cast<char>(0x80)));
    return _mm_xor_si128(owed, pair);
}

// Non-zero where block ends inside a sequence: a lead in its last byte, one of three bytes or
// more in the one before, one of four in the third last.
TOMLET_SSSE3 inline __m128i EndsCut(__m128i block) {
    const __m128i most =
        _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xEF),
                      static_cast<char>(0xDF), static_cast<char>(0xBF));
    return _mm_subs_epu8(block, most);
}

TOMLET_SSSE3 inline bool AnySet(__m128i v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}

} // namespace

bool CanCheckUtf8InBlocks() {
    static const bool can = __builtin_cpu_supports("ssse3");
    return can;
}

TOMLET_SSSE3 bool IsValidUtf8InBlocks(const std::uint8_t* bytes, std::size_t count) {
    __m128i before = _mm_setzero_si128();
    __m128i cut = _mm_setzero_si128(); // where the block before ends inside a sequence
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        // An ASCII block can only cut short a sequence the block before it began.
        const __m128i broken = _mm_movemask_epi8(block) ? Broken(block, before) : cut;
        if (AnySet(broken))
            return false;
        cut = EndsCut(block);
        before = block;
    }
    // The rest padded with zeros, which end any sequence still open, then a block of zeros
    // for one open at the padded block's end.
    std::uint8_t last[16] = {};
    if (count > i)
        std::memcpy(last, bytes + i, count - i);
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(last));
    return !AnySet(Broken(block, before)) && !AnySet(Broken(_mm_setzero_si128(), block));
}

#else

bool CanCheckUtf8InBlocks() {
    return false;
}

bool IsValidUtf8InBlocks(const std::uint8_t*, std::size_t) {
    return false;
}

#endif
