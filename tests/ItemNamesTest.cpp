#include "ItemNames.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

const CTextCodec& Codec(const char* codePage) {
    static const auto cp949 = CTextCodec::Create("CP949");
    static const auto utf8 = CTextCodec::Create("UTF-8");
    return std::string_view(codePage) == "CP949" ? *cp949 : *utf8;
}

// How rows are appended: converted already, or as bytes of a code page that keep that form.
enum class EForm { Converted, Utf8Bytes };

// Appends a name in the form: ASCII names as ASCII, others converted or as UTF-8 bytes.
std::int32_t Add(CItemNames& names, std::u16string_view name, EForm form) {
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; }))
        return names.AppendAscii(std::string(name.begin(), name.end()));
    if (form == EForm::Converted)
        return names.Append(name);
    return names.AppendCoded(ToUtf8(name), Codec("UTF-8"));
}

CItemNames Names(std::initializer_list<std::u16string_view> list, EForm form) {
    CItemNames names;
    for (std::u16string_view name : list)
        Add(names, name, form);
    return names;
}

// Row i's name: empty, Korean, or ASCII.
std::u16string RowName(int i) {
    if (i % 7 == 0)
        return u"";
    return i % 3 ? std::u16string(i % 13, u'가') : std::u16string(i % 19, u'a' + i % 26);
}

// Enough rows for both arrays to grow from the heap into pages of their own; in the middle a
// converted name turns the rows kept as bytes to UTF-16.
TEST(ItemNames, KeepsRowsInOrderThroughGrowthSqueezeAndMove) {
    constexpr int kRows = 300000;
    for (const int widenAt : {-1, kRows / 2}) {
        CItemNames names;
        for (int i = 0; i < kRows; ++i) {
            const EForm form = i == widenAt ? EForm::Converted : EForm::Utf8Bytes;
            ASSERT_EQ(Add(names, i == widenAt ? u"한" : RowName(i), form), i);
        }
        names.Squeeze();
        CItemNames moved = std::move(names);
        EXPECT_EQ(names.Count(), 0);
        ASSERT_EQ(moved.Count(), kRows);
        for (int i = 0; i < kRows; ++i)
            ASSERT_EQ(moved.Name(i), i == widenAt ? u"한" : RowName(i)) << i;
        EXPECT_TRUE(moved.Name(-1).empty());
        EXPECT_TRUE(moved.Name(kRows).empty());
        EXPECT_EQ(moved.Append(u"more"), kRows); // appends go on after a squeeze
        EXPECT_EQ(moved.Name(kRows), u"more");
        moved.Clear();
        EXPECT_EQ(moved.Count(), 0);
        EXPECT_EQ(moved.FindPrefix(-1, u""), -1);
    }
}

// Names kept as a book's bytes read as the code page converts them, bytes it refuses included;
// rows of a second code page, or not kept as bytes, leave every row as it read.
TEST(ItemNames, BytesReadInTheirOwnCodePage) {
    const std::string cp949Name = "\xC1\xA6\x31\xC0\xE5 \xA2\xE8!"; // 제1장, an unmapped pair, !
    const std::u16string cp949Read = Codec("CP949").Decode(cp949Name);
    ASSERT_EQ(cp949Read.substr(0, 3), u"제1장");
    struct SCase {
        const char* why;
        const char* second; // the code page of the last row, or null for a converted one
    };
    for (const SCase c : {SCase{"one code page", "CP949"}, SCase{"a second one", "UTF-8"},
                          SCase{"a converted name", nullptr}}) {
        CItemNames names;
        names.AppendAscii("Abc");
        names.AppendCoded(cp949Name, Codec("CP949"));
        if (c.second)
            names.AppendCoded("\xEA\xB0\x80", Codec(c.second)); // 가 in UTF-8
        else
            names.Append(u"가");
        const std::u16string last = c.second ? Codec(c.second).Decode("\xEA\xB0\x80") : u"가";
        ASSERT_EQ(names.Count(), 3) << c.why;
        if (c.second && std::string_view(c.second) == "CP949") { // kept as bytes, not converted
            EXPECT_EQ(names.NameBytes(), 3 + cp949Name.size() + 3);
        }
        EXPECT_EQ(names.Name(0), u"Abc") << c.why;
        EXPECT_EQ(names.Name(1), cp949Read) << c.why;
        EXPECT_EQ(names.Name(2), last) << c.why;
        EXPECT_EQ(names.FindPrefix(-1, u"aB"), 0) << c.why;
        EXPECT_EQ(names.FindPrefix(-1, u"제1"), 1) << c.why;
        EXPECT_EQ(names.FindPrefix(-1, last), 2) << c.why;
    }
}

// A long term is compared a few characters at a time: a name that differs late, or ends first,
// is no match.
TEST(ItemNames, LongTermsMatchWholeNamesOnly) {
    const std::u16string name = u"가나다라마바사아자차카타파하 끝";
    for (const EForm form : {EForm::Converted, EForm::Utf8Bytes}) {
        const CItemNames names = Names({u"가나다라마바사아자차카타파하 끄", name}, form);
        EXPECT_EQ(names.FindPrefix(-1, name), 1);
        EXPECT_EQ(names.FindPrefix(-1, name.substr(0, 14)), 0);
        EXPECT_EQ(names.FindPrefix(-1, name + u"!"), -1);
        EXPECT_EQ(names.FindPrefix(-1, u"가나다라마바사아지"), -1);
    }
}

// From 64 KiB on an array is pages of its own, which it can give back while it lives (read
// as zeros after), and which leave no freed heap behind when it grows.
TEST(ItemNames, ArraysFrom64KiBOnArePagesOfTheirOwn) {
    CPlainArray<std::uint32_t> values;
    for (std::uint32_t i = 1; i <= 20000; ++i)
        values.Append(&i, 1);
    values.DropFront(values.Size());
    EXPECT_EQ(values[0], 0u);
    EXPECT_EQ(values[19999], 20000u); // the last page, partly filled, is kept
}

// An array keeps its values through every change of its memory: on the heap, grown into pages
// of its own, past the address room they took, squeezed, grown again and back on the heap.
TEST(ItemNames, ArraysKeepTheirValuesAsTheyGrowAndShrink) {
    CPlainArray<std::uint32_t> values;
    auto expectValues = [&](const char* step) {
        for (std::size_t i = 0; i < values.Size(); i += 997)
            ASSERT_EQ(values[i], i * 3) << step << " " << i;
        if (values.Size()) {
            ASSERT_EQ(values[values.Size() - 1], (values.Size() - 1) * 3) << step;
        }
    };
    auto growTo = [&](std::size_t size, const char* step) {
        while (values.Size() < size) {
            const auto next = static_cast<std::uint32_t>(values.Size() * 3);
            values.Append(&next, 1);
        }
        expectValues(step);
    };
    growTo(100, "heap");
    growTo(20000, "pages");
    growTo(5'000'000, "past the first 16 MiB of room");
    values.Squeeze();
    EXPECT_EQ(values.Capacity(), values.Size());
    expectValues("squeezed");
    growTo(5'100'000, "grown after the squeeze");
    values.ShrinkTo(1000);
    values.Squeeze();
    expectValues("back on the heap");
    growTo(30000, "pages again");
}

// Grows six arrays of 4 MiB with the address space limited to 64 MiB more than the process
// has, and ends the process: status 0 when they hold their values. Unused where the address
// sanitizer skips the test.
[[noreturn, maybe_unused]] void GrowArraysInLimitedAddressSpace() {
    std::ifstream status("/proc/self/status");
    std::string line;
    std::size_t kib = 0;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0)
            kib = std::stoul(line.substr(7));
    const rlimit limit{(kib << 10) + (64 << 20), RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &limit);
    std::vector<CPlainArray<std::uint32_t>> arrays(6);
    for (auto& values : arrays)
        for (std::uint32_t i = 0; i < (1u << 20); ++i)
            values.Append(&i, 1);
    std::exit(arrays.back()[(1u << 20) - 1] == (1u << 20) - 1 ? 0 : 1);
}

// Where the process's address space is limited, arrays take no room beyond their bytes, which
// would leave none for the rest.
TEST(ItemNames, ArraysTakeNoSpareRoomWhereAddressSpaceIsLimited) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own mappings need the address space";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe"); // a fresh process decides anew
    EXPECT_EXIT(GrowArraysInLimitedAddressSpace(), testing::ExitedWithCode(0), "");
#endif
}

// Names taken whole from a held part read as the same names appended, through every way the
// rows are read and kept, whatever form each part keeps them in; appends after them go after
// them, and a second part is refused.
TEST(ItemNames, AdoptedNamesReadAsAppended) {
    for (const EForm form : {EForm::Converted, EForm::Utf8Bytes}) {
        for (const int before : {0, 3}) {
            const EForm heldForm = before ? form : EForm::Converted;
            CItemNames names;
            std::vector<std::u16string> expected;
            for (int i = 0; i < before; ++i)
                expected.push_back(u"head " + RowName(i + 1));
            for (const std::u16string& name : expected)
                Add(names, name, form);
            CItemNames held;
            for (int i = 0; i < 50; ++i) {
                const std::u16string name = i == 1 ? u"Apricot" : RowName(i);
                Add(held, name, heldForm);
                expected.push_back(name);
            }
            ASSERT_TRUE(names.AdoptHeld(held));
            EXPECT_EQ(held.Count(), 0);
            CItemNames more = Names({u"x"}, form);
            EXPECT_FALSE(names.AdoptHeld(more));
            EXPECT_EQ(more.Count(), 1);
            Add(names, u"after 가", form);
            names.AppendAscii("apple");
            expected.insert(expected.end(), {u"after 가", u"apple"});

            names.Squeeze();
            const CItemNames moved = std::move(names);
            ASSERT_EQ(moved.Count(), static_cast<std::int32_t>(expected.size()));
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(moved.Name(static_cast<std::int32_t>(i)), expected[i]) << before;
            // From the last row the search wraps round to the adopted rows, and past them.
            const auto apricot = static_cast<std::int32_t>(before + 1);
            EXPECT_EQ(moved.FindPrefix(moved.Count() - 1, u"APR"), apricot);
            EXPECT_EQ(moved.FindPrefix(apricot, u"ap"), moved.Count() - 1);
        }
    }
    // Cleared, the names start again from one pool, and may take a part again.
    CItemNames names = Names({u"one"}, EForm::Utf8Bytes);
    CItemNames held = Names({u"two"}, EForm::Utf8Bytes);
    ASSERT_TRUE(names.AdoptHeld(held));
    names.Clear();
    names.Append(u"new");
    held = Names({u"둘", u"two"}, EForm::Utf8Bytes);
    ASSERT_TRUE(names.AdoptHeld(held));
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names.Name(0), u"new");
    EXPECT_EQ(names.Name(1), u"둘");
    EXPECT_EQ(names.Name(2), u"two");
}

// Rows copied from a held part, before a part is taken whole or after it, read as the same
// names appended, whichever forms the two keep; the held part keeps its rows.
TEST(ItemNames, CopiedNamesReadAsAppended) {
    for (const EForm form : {EForm::Converted, EForm::Utf8Bytes}) {
        for (const EForm heldForm : {EForm::Converted, EForm::Utf8Bytes}) {
            for (const bool afterTail : {false, true}) {
                CItemNames names = Names({u"head", u"머리"}, form);
                std::vector<std::u16string> expected = {u"head", u"머리"};
                if (afterTail) {
                    CItemNames tail = Names({u"꼬리"}, form);
                    ASSERT_TRUE(names.AdoptHeld(tail));
                    expected.push_back(u"꼬리");
                }
                CItemNames held;
                for (int i = 0; i < 30; ++i) {
                    Add(held, RowName(i), heldForm);
                    expected.push_back(RowName(i));
                }
                ASSERT_EQ(names.AppendRowsOf(held), 30);
                EXPECT_EQ(held.Count(), 30);
                Add(names, u"끝", form);
                expected.push_back(u"끝");
                ASSERT_EQ(names.Count(), static_cast<std::int32_t>(expected.size()));
                for (std::size_t i = 0; i < expected.size(); ++i)
                    ASSERT_EQ(names.Name(static_cast<std::int32_t>(i)), expected[i]) << i;
            }
        }
    }
}

// Positions taken whole from a held part read shifted as appended; appends and copies after them
// go after them, a second part is refused, and cleared, the table takes a part again.
TEST(OffsetTable, AdoptedPositionsReadShiftedAsAppended) {
    COffsetTable table;
    table.Append(5);
    CPlainArray<std::int32_t> held;
    for (const std::int32_t position : {0, 7, 9})
        held.Append(&position, 1);
    ASSERT_TRUE(table.AdoptTail(held, 100));
    EXPECT_EQ(held.Size(), 0u);
    table.Append(120);
    CPlainArray<std::int32_t> more;
    const std::int32_t two = 2;
    more.Append(&two, 1);
    EXPECT_FALSE(table.AdoptTail(more, 0));
    EXPECT_EQ(more.Size(), 1u);
    table.AppendShifted(more, 1, 200); // copied after the tail
    table.Squeeze();
    COffsetTable moved = std::move(table);
    const std::vector<std::int32_t> expected = {5, 100, 107, 109, 120, 202};
    ASSERT_EQ(moved.Count(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(moved[static_cast<std::int32_t>(i)], expected[i]) << i;
    moved.Clear();
    moved.Append(3);
    moved.AppendShifted(more, 1, 10); // copied before a tail
    ASSERT_TRUE(moved.AdoptTail(more, 1));
    ASSERT_EQ(moved.Count(), 3);
    EXPECT_EQ(moved[0], 3);
    EXPECT_EQ(moved[1], 12);
    EXPECT_EQ(moved[2], 3);
}

struct SFind {
    const char* why;
    std::int32_t after;
    std::u16string_view term;
    std::int32_t row;
};

class FindPrefixTest : public testing::TestWithParam<SFind> {};

// The same rows converted or kept as bytes, one of them ASCII only up to its second character.
TEST_P(FindPrefixTest, SearchesAfterTheRowAndWraps) {
    for (const EForm form : {EForm::Converted, EForm::Utf8Bytes}) {
        const CItemNames names = Names(
            {u"apple", u"Banana", u"apricot", u"가나다", u"가", u"", u"Äpfel", u"ba가"}, form);
        EXPECT_EQ(names.FindPrefix(GetParam().after, GetParam().term), GetParam().row)
            << GetParam().why;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ItemNames, FindPrefixTest,
    testing::Values(
        SFind{"none before: from row 0", -1, u"ap", 0},
        SFind{"the rows after it first", 0, u"ap", 2}, SFind{"wraps to row 0", 2, u"ap", 0},
        SFind{"the row itself last", 0, u"apple", 0}, SFind{"ASCII without case", 0, u"AP", 2},
        SFind{"ASCII without case, upper in the name", -1, u"bAN", 1},
        SFind{"Hangul exactly", -1, u"가", 3}, SFind{"Hangul after its first hit", 3, u"가", 4},
        SFind{"Hangul wraps", 4, u"가나", 3},
        SFind{"a term longer than every name", -1, u"가나다라", -1},
        SFind{"accented Latin exactly", -1, u"äp", -1},
        SFind{"accented Latin found as written", -1, u"Äp", 6},
        SFind{"empty term: the first row tried", 2, u"", 3},
        SFind{"empty term after the last row", 7, u"", 0},
        SFind{"after out of range: from row 0", 8, u"Ba", 1},
        SFind{"ASCII term past ASCII bytes", 1, u"BA", 7},
        SFind{"ASCII term on a non-ASCII character", 1, u"bab", -1},
        SFind{"after far out of range", 1000, u"", 0}, SFind{"no match", -1, u"zz", -1}));

} // namespace
