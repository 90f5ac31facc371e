#include "Utf8Blocks.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
// glibc's answer to which instructions the processor has; its header is C that only GCC takes
// as C++ too.
#if __has_include(<sys/platform/x86.h>) && !defined(__clang__)
#include <sys/platform/x86.h>
#endif

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

// The three look-ups: by the high nibble of the byte before, by its low nibble, and by the
// high nibble of this byte.
constexpr std::uint8_t kFirstHigh[16] = {kTooLong,
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
                                         kTooShort | kTooLarge | kTooLarge8 | kOverlong4};
constexpr std::uint8_t kFirstLow[16] = {kCarry | kOverlong3 | kOverlong2 | kOverlong4,
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
constexpr std::uint8_t kSecondHigh[16] = {
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

// The bytes a block may hold in each place without ending inside a sequence.
constexpr std::uint8_t kMost[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xEF, 0xDF, 0xBF};

#define TOMLET_SSSE3 __attribute__((target("ssse3")))
#define TOMLET_AVX2 __attribute__((target("avx2")))

TOMLET_SSSE3 inline __m128i Table(const std::uint8_t (&t)[16]) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(t));
}

// The rules broken in block, whose bytes follow those of before; a continuation owed to a lead
// two or three bytes back sets bit 7 there, which a second continuation also sets.
TOMLET_SSSE3 inline __m128i Broken(__m128i block, __m128i before) {
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
    return _mm_subs_epu8(block, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMost + 16)));
}

TOMLET_SSSE3 inline bool AnySet(__m128i v) {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}

// The same thirty-two bytes at a time. The shuffles and byte shifts work within each 16-byte
// half, so the bytes ahead of the upper half come from the lower half of block itself.
TOMLET_AVX2 inline __m256i Table(const std::uint8_t (&t)[16], __m256i) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)));
}

TOMLET_AVX2 inline __m256i Broken(__m256i block, __m256i before) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i ahead = _mm256_permute2x128_si256(before, block, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(block, ahead, 15);
    const __m256i firstHigh = _mm256_shuffle_epi8(
        Table(kFirstHigh, block), _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble));
    const __m256i firstLow =
        _mm256_shuffle_epi8(Table(kFirstLow, block), _mm256_and_si256(prev1, nibble));
    const __m256i secondHigh = _mm256_shuffle_epi8(
        Table(kSecondHigh, block), _mm256_and_si256(_mm256_srli_epi16(block, 4), nibble));
    const __m256i pair = _mm256_and_si256(_mm256_and_si256(firstHigh, firstLow), secondHigh);
    const __m256i prev2 = _mm256_alignr_epi8(block, ahead, 14);
    const __m256i prev3 = _mm256_alignr_epi8(block, ahead, 13);
    const __m256i third = _mm256_subs_epu8(prev2, _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth =
        _mm256_subs_epu8(prev3, _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i owed =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(owed, pair);
}

TOMLET_AVX2 inline __m256i EndsCut(__m256i block) {
    return _mm256_subs_epu8(block, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kMost)));
}

TOMLET_AVX2 inline bool AnySet(__m256i v) {
    return !_mm256_testz_si256(v, v);
}

TOMLET_SSSE3 bool CheckIn16(const std::uint8_t* bytes, std::size_t count) {
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

TOMLET_AVX2 bool CheckIn32(const std::uint8_t* bytes, std::size_t count) {
    __m256i before = _mm256_setzero_si256();
    __m256i cut = _mm256_setzero_si256();
    std::size_t i = 0;
    // Two blocks a step, their rules gathered and looked at every 4 KiB: text is mostly valid.
    __m256i broken = _mm256_setzero_si256();
    for (; i + 64 <= count; i += 64) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i + 32));
        if (_mm256_movemask_epi8(_mm256_or_si256(first, second))) {
            broken = _mm256_or_si256(broken,
                                     _mm256_or_si256(Broken(first, before), Broken(second, first)));
            cut = EndsCut(second);
        } else {
            broken = _mm256_or_si256(broken, cut);
            cut = _mm256_setzero_si256();
        }
        before = second;
        if ((i & 4095) == 4032 && AnySet(broken))
            return false;
    }
    if (AnySet(broken))
        return false;
    for (; i + 32 <= count; i += 32) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
        if (AnySet(_mm256_movemask_epi8(block) ? Broken(block, before) : cut))
            return false;
        cut = EndsCut(block);
        before = block;
    }
    std::uint8_t last[32] = {};
    if (count > i)
        std::memcpy(last, bytes + i, count - i);
    const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(last));
    return !AnySet(Broken(block, before)) && !AnySet(Broken(_mm256_setzero_si256(), block));
}

} // namespace

std::size_t Utf8BlockBytes() {
#ifdef CPU_FEATURE_ACTIVE
    // The C library has asked the processor already, as it started; the compiler's own way asks
    // it again, as every process starts, which costs tens of microseconds in a virtual machine.
    static const std::size_t bytes = CPU_FEATURE_ACTIVE(AVX2)    ? 32
                                     : CPU_FEATURE_ACTIVE(SSSE3) ? 16
                                                                 : 0;
#else
    static const std::size_t bytes = __builtin_cpu_supports("avx2")    ? 32
                                     : __builtin_cpu_supports("ssse3") ? 16
                                                                       : 0;
#endif
    return bytes;
}

bool IsValidUtf8InBlocks(const std::uint8_t* bytes, std::size_t count, std::size_t blockBytes) {
    return blockBytes == 32 ? CheckIn32(bytes, count) : CheckIn16(bytes, count);
}

#else

std::size_t Utf8BlockBytes() {
    return 0;
}

bool IsValidUtf8InBlocks(const std::uint8_t*, std::size_t, std::size_t) {
    return false;
}

#endif
