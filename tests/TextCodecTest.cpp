#include "TextCodec.h"
#include "BookFixture.h"
#include "Utf8.h"
#include "Utf8Blocks.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <bit>
#include <random>
#include <thread>
#include <vector>

namespace {

struct SDecodeCase {
    const char* codePage;
    Bytes in;
    const char* utf8;
};

class DecodeTest : public testing::TestWithParam<SDecodeCase> {};

TEST_P(DecodeTest, ConvertsToTheFirstZeroByteAndReplacesInvalidBytes) {
    auto codec = CTextCodec::Create(GetParam().codePage);
    ASSERT_TRUE(codec);
    EXPECT_EQ(Utf8(codec->Decode(GetParam().in)), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeTest,
    testing::Values(SDecodeCase{"CP949", "\xb0\xa1\xb3\xaa", "가나"},
                    SDecodeCase{"CP949", "1\xc0\xe5 ///", "1장 ///"},
                    // Extended CP949 characters whose trail byte is an ASCII letter.
                    SDecodeCase{"CP949", "\x81\x41\x81\x61z", "갂갵z"},
                    SDecodeCase{"CP949", Bytes("\xb0\xa1\0\xb3\xaa", 5), "가"},
                    SDecodeCase{"CP949", Bytes("\0abc", 4), ""},
                    // A lead byte before '/', a stray byte, a lead byte at the end: one U+FFFD
                    // each, and nothing after them is lost.
                    SDecodeCase{"CP949", "\xb0/x", "\xEF\xBF\xBD/x"},
                    SDecodeCase{"CP949", "a\xff b", "a\xEF\xBF\xBD b"},
                    SDecodeCase{"CP949", "ab\xb0", "ab\xEF\xBF\xBD"},
                    SDecodeCase{"UTF-8", "\xea\xb0\x80/\xed\x9e\xa3", "가/힣"},
                    SDecodeCase{"UTF-8", "\xc3(x", "\xEF\xBF\xBD(x"},
                    SDecodeCase{"UTF-8", "\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80"},
                    SDecodeCase{"ISO-8859-1", "caf\xe9", "café"},
                    // Code pages that hold a character back until they see whether a
                    // combining mark follows: the last one is not lost, and an ASCII letter
                    // takes its mark as iconv gives it.
                    SDecodeCase{"CP1258", "Vi\xea\xf2t Nam", "Việt Nam"},
                    SDecodeCase{"CP1258", "a//\xf9/b", "a//ù/b"},
                    SDecodeCase{"CP1258", "e\xde", "ẽ"}, SDecodeCase{"CP1258", "\xea", "ê"},
                    SDecodeCase{"CP1255", "\xf9\xc8", "שָ"}, SDecodeCase{"CP1255", "x\xf9", "xש"},
                    SDecodeCase{"TCVN5712-1", "Vi\xd6t", "Việt"},
                    SDecodeCase{"TCVN5712-1", "Viet", "Viet"},
                    // Not ASCII-compatible: the whole text goes through iconv.
                    SDecodeCase{"UTF-16LE", Bytes("A\0", 2), "\xEF\xBF\xBD"},
                    SDecodeCase{"ISO-2022-KR", "\x1b$)C\x0e\x30\x21\x0f", "가"}));

TEST(TextCodec, UnknownCodePageGivesNoCodec) {
    EXPECT_FALSE(CTextCodec::Create("NO-SUCH-CODE-PAGE"));
    EXPECT_FALSE(CTextCodec::Create(""));
}

TEST(TextCodec, AsciiCompatibilityIsKnownOnlyForSafeFamilies) {
    EXPECT_TRUE(Cp949().IsAsciiCompatible());
    EXPECT_TRUE(CTextCodec::Create("utf-8")->IsAsciiCompatible());
    EXPECT_TRUE(CTextCodec::Create("GB18030")->IsAsciiCompatible());
    EXPECT_FALSE(CTextCodec::Create("UTF-7")->IsAsciiCompatible());
    EXPECT_FALSE(CTextCodec::Create("ISO-2022-KR")->IsAsciiCompatible());
}

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// What iconv makes of the whole text, its shift state and any character it holds back flushed
// at the end: the reference for valid text. False when iconv refuses the text.
bool WholeIconv(iconv_t cd, const Bytes& text, std::u16string& out) {
    out.assign(text.size() * 4 + 8, u'\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* to = reinterpret_cast<char*>(out.data());
    std::size_t toLeft = out.size() * 2;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool ok = ::iconv(cd, &in, &inLeft, &to, &toLeft) != static_cast<std::size_t>(-1) &&
                    ::iconv(cd, nullptr, nullptr, &to, &toLeft) != static_cast<std::size_t>(-1);
    out.resize(out.size() - toLeft / 2);
    return ok;
}

// Characters of many scripts, each encoded alone in the code page (shift state flushed), for
// those it holds without a zero byte.
std::vector<Bytes> EncodableCharacters(const std::string& name) {
    std::u16string sample = u"\t\n";
    for (const auto& [from, to] :
         std::initializer_list<std::pair<char16_t, char16_t>>{{0x20, 0x7E},
                                                              {0xA0, 0x17F},
                                                              {0x300, 0x309},
                                                              {0x323, 0x323},
                                                              {0x384, 0x3CE},
                                                              {0x401, 0x45F},
                                                              {0x5B0, 0x5EA},
                                                              {0x60C, 0x64A},
                                                              {0xE01, 0xE5B},
                                                              {0x1EA0, 0x1EF9},
                                                              {0x2018, 0x201E},
                                                              {0x20AC, 0x20AC},
                                                              {0x3041, 0x3093},
                                                              {0x4E00, 0x4E40},
                                                              {0xAC00, 0xAC40}}) {
        for (char16_t c = from; c <= to; ++c)
            sample += c;
    }
    std::vector<Bytes> encoded;
    iconv_t cd = ::iconv_open(name.c_str(), kUtf16Native);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return encoded;
    for (char16_t c : sample) {
        char buffer[32];
        char* in = reinterpret_cast<char*>(&c);
        std::size_t inLeft = 2;
        char* out = buffer;
        std::size_t outLeft = sizeof buffer;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
            ::iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
            continue;
        const Bytes bytes(buffer, out);
        if (!bytes.empty() && bytes.find('\0') == Bytes::npos)
            encoded.push_back(bytes);
    }
    ::iconv_close(cd);
    return encoded;
}

// Valid text in any code page iconv lists converts exactly as iconv converts it whole, the
// last character included.
TEST(TextCodec, EveryCodePageConvertsValidTextWhole) {
    const std::vector<std::string> names = IconvCodePages();
    ASSERT_GT(names.size(), 100u) << "iconv -l lists too few code pages";
    std::size_t tried = 0;
    for (const std::string& name : names) {
        auto codec = CTextCodec::Create(name);
        const std::vector<Bytes> characters = EncodableCharacters(name);
        if (!codec || characters.empty())
            continue;
        ++tried;
        iconv_t cd = ::iconv_open(kUtf16Native, name.c_str());
        // Each character alone, the last of its text, then texts of several.
        std::vector<Bytes> texts = characters;
        std::mt19937 rng(7);
        for (int round = 0; round < 40; ++round) {
            Bytes& text = texts.emplace_back();
            for (int k = rng() % 24; k > 0; --k)
                text += characters[rng() % characters.size()];
        }
        for (const Bytes& text : texts) {
            std::u16string expected;
            if (!WholeIconv(cd, text, expected))
                continue; // a sequence of characters iconv itself refuses
            const std::u16string decoded = codec->Decode(text);
            EXPECT_EQ(decoded, expected) << name << " " << testing::PrintToString(text);
            if (decoded != expected)
                break;
        }
        ::iconv_close(cd);
    }
    EXPECT_GT(tried, 100u);
}

// A code page is taken as ASCII-compatible only where every byte below 0x80 alone is its own
// character, and as byte text exactly where the line feed and '/' alone are themselves.
TEST(TextCodec, AsciiAndByteTextAgreeWithEachByteAlone) {
    for (const std::string& name : IconvCodePages()) {
        const auto codec = CTextCodec::Create(name);
        if (!codec)
            continue;
        iconv_t cd = ::iconv_open(kUtf16Native, name.c_str());
        auto alone = [cd](unsigned byte) {
            std::u16string out;
            return WholeIconv(cd, Bytes(1, static_cast<char>(byte)), out) &&
                   out == std::u16string(1, static_cast<char16_t>(byte));
        };
        bool keeps = true;
        for (unsigned byte = 0x01; byte < 0x80 && keeps; ++byte)
            keeps = alone(byte);
        EXPECT_TRUE(keeps || !codec->IsAsciiCompatible()) << name;
        EXPECT_EQ(codec->IsByteText(), alone('\n') && alone('/')) << name;
        ::iconv_close(cd);
    }
}

// The table and the direct UTF-8 decoder must give what iconv alone gives, for any bytes.
TEST(TextCodec, FastPathsMatchIconvOnAnyBytes) {
    const unsigned char alphabet[] = {'a',  '/',  ' ',  0x41, 0x61, 0x7f, 0x80, 0x81, 0x8e,
                                      0xa1, 0xb0, 0xc2, 0xc8, 0xdf, 0xe0, 0xed, 0xef, 0xf0,
                                      0xf4, 0xfe, 0xff, 0x30, 0x39, 0x40, 0x5c, 0xbf, 0x9f};
    for (const char* name :
         {"CP949", "EUC-KR", "SHIFT_JIS", "CP932", "GBK", "BIG5", "UTF-8", "utf8"}) {
        auto codec = CTextCodec::Create(name);
        ASSERT_TRUE(codec) << name;
        std::mt19937 rng(5);
        for (int round = 0; round < 4000; ++round) {
            Bytes in(rng() % 24, '\0');
            for (char& c : in)
                c = static_cast<char>(rng() % 3 ? alphabet[rng() % sizeof alphabet] : rng() % 256);
            ASSERT_EQ(codec->Decode(in), codec->DecodeThroughIconv(in)) << name << " " << in;
        }
        // Names of whole characters, pairs with low second bytes, unmapped pairs and stray
        // bytes, longer than the random bytes above.
        const Bytes pieces[] = {"a",        " 1",           "\xb0\xa1",    "\xc7\xd1",
                                "\x81\x41", "\x8e\xa1",     "\xa2\xe8",    "\xb0",
                                "\xff",     Bytes(1, '\0'), "\xa4\xa2\xa4"};
        for (int round = 0; round < 4000; ++round) {
            Bytes in;
            for (const std::size_t length = rng() % 72; in.size() < length;)
                in += rng() % 4 ? pieces[rng() % 4] : pieces[rng() % std::size(pieces)];
            ASSERT_EQ(codec->Decode(in), codec->DecodeThroughIconv(in)) << name << " " << in;
            // Converted only up to a few units, the text starts as converted whole.
            std::erase(in, '\0');
            std::u16string whole(in.size(), u'\0'), start(in.size(), u'\0');
            whole.resize(codec->DecodeInto(in, whole.data()));
            const std::size_t most = rng() % 8;
            start.resize(codec->DecodeInto(in, start.data(), most));
            ASSERT_GE(start.size(), std::min(most, whole.size())) << name << " " << in;
            ASSERT_EQ(start, whole.substr(0, start.size())) << name << " " << in;
        }
        // Every lead and trail byte pair, once.
        Bytes all;
        for (int lead = 0x80; lead < 0x100; ++lead)
            for (int trail = 1; trail < 0x100; ++trail)
                all += {static_cast<char>(lead), static_cast<char>(trail), ' '};
        ASSERT_EQ(codec->Decode(all), codec->DecodeThroughIconv(all)) << name;
        // A refused pair whose skip iconv decides by the bytes after it.
        const Bytes unmapped = Bytes(41, '\xa2') + Bytes("\xe8\x95\x01\x80", 4);
        ASSERT_EQ(codec->Decode(unmapped), codec->DecodeThroughIconv(unmapped)) << name;
    }
}

// The table's rows are filled when text first holds their lead byte: whatever the order, and
// with two threads filling rows at once through two codecs of the code page, which share its
// table, every row converts as iconv converts it.
TEST(TextCodec, TableRowsFilledOnDemandMatchIconv) {
    for (const char* name : {"CP949", "SHIFT_JIS", "BIG5"}) {
        const auto reference = CTextCodec::Create(name);
        std::vector<Bytes> rows;
        std::vector<std::u16string> expected;
        for (int lead = 0x80; lead < 0x100; ++lead) {
            Bytes& row = rows.emplace_back();
            for (int trail = 1; trail < 0x100; ++trail)
                row += {static_cast<char>(lead), static_cast<char>(trail), 'x'};
            expected.push_back(reference->DecodeThroughIconv(row));
        }
        std::vector<std::size_t> order(rows.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(3));

        const auto codec = CTextCodec::Create(name);
        const auto sameCodePage = CTextCodec::Create(name);
        ASSERT_TRUE(codec->PrepareConcurrentUse());
        std::vector<std::u16string> decoded(rows.size());
        auto decode = [&](const CTextCodec& by, std::size_t from, std::size_t step) {
            for (std::size_t k = from; k < order.size(); k += step)
                decoded[order[k]] = by.Decode(rows[order[k]]);
        };
        std::thread other(decode, std::cref(*sameCodePage), 1, 2);
        decode(*codec, 0, 2);
        other.join();
        for (std::size_t i = 0; i < rows.size(); ++i)
            ASSERT_EQ(decoded[i], expected[i]) << name << " lead 0x" << std::hex << i + 0x80;
    }
}

TEST(TextCodec, RandomBytesNeverShortenTheText) {
    const CTextCodec& codec = Cp949();
    std::mt19937 rng(11);
    for (int round = 0; round < 2000; ++round) {
        Bytes in(rng() % 64, '\0');
        for (char& c : in)
            c = static_cast<char>(1 + rng() % 255);
        const std::u16string out = codec.Decode(in);
        // Every character comes from one or two bytes, and no byte is silently dropped.
        EXPECT_GE(out.size() * 2, in.size());
        EXPECT_LE(out.size(), in.size());
    }
    // A pair refused whole, twice in a row, or before a lead byte that ends the text: iconv
    // steps over such a character before it says so, and what follows is no less replaced.
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x41; trail <= 0xFE; ++trail) {
            const Bytes pair{static_cast<char>(lead), static_cast<char>(trail)};
            if (codec.Decode(pair) == u"\uFFFD") {
                EXPECT_EQ(codec.Decode(pair + pair), u"\uFFFD\uFFFD") << lead << ' ' << trail;
                EXPECT_EQ(codec.Decode(pair + "\xe8"), u"\uFFFD\uFFFD") << lead << ' ' << trail;
            }
        }
}

struct SUtf8Case {
    Bytes in;
    bool valid;
};

class Utf8ValidityTest : public testing::TestWithParam<SUtf8Case> {};

TEST_P(Utf8ValidityTest, AcceptsOnlyWellFormedText) {
    const Bytes& in = GetParam().in;
    EXPECT_EQ(IsValidUtf8(reinterpret_cast<const std::uint8_t*>(in.data()), in.size()),
              GetParam().valid)
        << in;
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8ValidityTest,
                         testing::Values(SUtf8Case{"", true}, SUtf8Case{"plain ascii text", true},
                                         SUtf8Case{"\xea\xb0\x80", true},
                                         SUtf8Case{"\xf4\x8f\xbf\xbf", true},
                                         SUtf8Case{"\xc0\xaf", false},           // overlong '/'
                                         SUtf8Case{"\xe0\x80\xaf", false},       // overlong
                                         SUtf8Case{"\xed\xa0\x80", false},       // surrogate
                                         SUtf8Case{"\xf4\x90\x80\x80", false},   // past U+10FFFF
                                         SUtf8Case{"abc\xea\xb0", false},        // cut short
                                         SUtf8Case{"\xb0\xa1\xb3\xaa", false})); // CP949

// The check in blocks must judge as the one sequence at a time does, in every block width this
// processor has: every pair of bytes and every long sequence's edge bytes, at places around the
// ends of 16, 32 and 64 bytes (the wide check's step), and mutated text.
TEST(Utf8, BlocksJudgeAsSequencesDo) {
    if (Utf8BlockBytes() == 0)
        GTEST_SKIP() << "no vector shuffle";
    std::size_t disagreements = 0;
    auto compare = [&](const Bytes& text) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
        for (std::size_t width = 16; width <= Utf8BlockBytes(); width *= 2)
            if (IsValidUtf8InBlocks(p, text.size(), width) !=
                    IsValidUtf8BySequence(p, text.size()) &&
                ++disagreements <= 5)
                ADD_FAILURE() << width << ": " << testing::PrintToString(text);
    };
    const Bytes hangul = "\xea\xb0\x80";
    const std::uint8_t edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                  0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                  0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF7, 0xF8, 0xFF};
    for (std::size_t at : {0, 1, 13, 14, 15, 16, 29, 30, 31, 32, 47, 61, 62, 63}) {
        const Bytes before(at, 'a');
        for (unsigned first = 0; first < 256; ++first)
            for (unsigned second = 0; second < 256; ++second)
                // Whole blocks of ASCII after the pair are passed over, but for what the pair
                // left open.
                compare(before + Bytes{static_cast<char>(first), static_cast<char>(second)} +
                        (at % 2 ? hangul : Bytes(64, 'b')));
        for (std::uint8_t lead : edges)
            for (std::uint8_t b : edges)
                for (std::uint8_t c : edges)
                    for (std::uint8_t d : {0x41, 0x80, 0xBF, 0xC0})
                        compare(before + Bytes{static_cast<char>(lead), static_cast<char>(b),
                                               static_cast<char>(c), static_cast<char>(d)});
    }
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        Bytes text;
        for (int k = static_cast<int>(rng() % 24); k > 0; --k)
            text += rng() % 3 ? hangul : (rng() % 2 ? "\xf0\x9f\x98\x80" : " a");
        for (int k = static_cast<int>(rng() % 3); k > 0 && !text.empty(); --k)
            text[rng() % text.size()] = static_cast<char>(rng());
        compare(text);
    }
    EXPECT_EQ(disagreements, 0u);
}

TEST(Utf8, EvidenceNeedsNonAsciiBytesInEveryChunkValid) {
    CUtf8Evidence ascii;
    ascii.Feed(reinterpret_cast<const std::uint8_t*>("abc"), 3);
    EXPECT_FALSE(ascii.LooksUtf8());

    CUtf8Evidence mixed;
    mixed.Feed(reinterpret_cast<const std::uint8_t*>("\xea\xb0\x80"), 3);
    EXPECT_TRUE(mixed.LooksUtf8());
    mixed.Feed(reinterpret_cast<const std::uint8_t*>("\xb0\xa1"), 2);
    EXPECT_FALSE(mixed.LooksUtf8());
}

TEST(Utf8, EncodesSurrogatePairsAndReplacesLoneOnes) {
    EXPECT_EQ(ToUtf8(u"가\U0001F600"), "가\xf0\x9f\x98\x80");
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

} // namespace
