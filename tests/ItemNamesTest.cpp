#include "ItemNames.h"
#include "OffsetTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

CItemNames Names(std::initializer_list<std::u16string_view> names) {
    CItemNames pool;
    for (std::u16string_view name : names)
        pool.Append(name);
    return pool;
}

// Row i's name: empty, Korean, or ASCII appended as bytes.
std::u16string RowName(int i) {
    if (i % 7 == 0)
        return u"";
    return i % 3 ? std::u16string(i % 13, u'가') : std::u16string(i % 19, u'a' + i % 26);
}

// Enough rows for both arrays to grow from the heap into pages of their own.
TEST(ItemNames, KeepsRowsInOrderThroughGrowthSqueezeAndMove) {
    constexpr int kRows = 300000;
    CItemNames names;
    for (int i = 0; i < kRows; ++i) {
        const std::u16string name = RowName(i);
        if (i % 3 == 0)
            ASSERT_EQ(names.AppendAscii(std::string(name.begin(), name.end())), i);
        else
            ASSERT_EQ(names.Append(name), i);
    }
    names.Squeeze();
    CItemNames moved = std::move(names);
    EXPECT_EQ(names.Count(), 0);
    ASSERT_EQ(moved.Count(), kRows);
    for (int i = 0; i < kRows; ++i)
        ASSERT_EQ(moved.Name(i), RowName(i)) << i;
    EXPECT_TRUE(moved.Name(-1).empty());
    EXPECT_TRUE(moved.Name(kRows).empty());
    EXPECT_EQ(moved.Append(u"more"), kRows); // appends go on after a squeeze
    EXPECT_EQ(moved.Name(kRows), u"more");
    moved.Clear();
    EXPECT_EQ(moved.Count(), 0);
    EXPECT_EQ(moved.FindPrefix(-1, u""), -1);
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

// Adds a name to a held part: its units, then where it ends.
void Hold(CPlainArray<char16_t>& units, CPlainArray<std::uint32_t>& ends,
          std::u16string_view name) {
    units.Append(name.data(), name.size());
    const auto end = static_cast<std::uint32_t>(units.Size());
    ends.Append(&end, 1);
}

// Names taken whole from a held part read as the same names appended, through every way the
// rows are read and kept; appends after them go after them, and a second part is refused.
TEST(ItemNames, AdoptedNamesReadAsAppended) {
    for (const int before : {0, 3}) {
        CItemNames names;
        std::vector<std::u16string> expected;
        for (int i = 0; i < before; ++i)
            expected.push_back(u"head " + RowName(i + 1));
        for (const std::u16string& name : expected)
            names.Append(name);
        CPlainArray<char16_t> units;
        CPlainArray<std::uint32_t> ends;
        for (int i = 0; i < 50; ++i) {
            const std::u16string name = i == 1 ? u"Apricot" : RowName(i);
            Hold(units, ends, name);
            expected.push_back(name);
        }
        ASSERT_TRUE(names.AdoptHeld(units, ends));
        EXPECT_EQ(units.Size() + ends.Size(), 0u);
        CPlainArray<char16_t> more;
        CPlainArray<std::uint32_t> moreEnds;
        Hold(more, moreEnds, u"x");
        EXPECT_FALSE(names.AdoptHeld(more, moreEnds));
        EXPECT_EQ(more.Size() + moreEnds.Size(), 2u);
        names.Append(u"after");
        names.AppendAscii("apple");
        expected.insert(expected.end(), {u"after", u"apple"});

        names.Squeeze();
        const CItemNames moved = std::move(names);
        ASSERT_EQ(moved.Count(), static_cast<std::int32_t>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(moved.Name(static_cast<std::int32_t>(i)), expected[i]) << before << " " << i;
        // From the last row the search wraps round to the adopted rows, and past them.
        const auto apricot = static_cast<std::int32_t>(before + 1);
        EXPECT_EQ(moved.FindPrefix(moved.Count() - 1, u"APR"), apricot);
        EXPECT_EQ(moved.FindPrefix(apricot, u"ap"), moved.Count() - 1);
    }
    // Cleared, the names start again from one pool, and may take a part again.
    CItemNames names = Names({u"one"});
    CPlainArray<char16_t> units;
    CPlainArray<std::uint32_t> ends;
    Hold(units, ends, u"two");
    ASSERT_TRUE(names.AdoptHeld(units, ends));
    names.Clear();
    names.Append(u"new");
    Hold(units, ends, u"two");
    ASSERT_TRUE(names.AdoptHeld(units, ends));
    ASSERT_EQ(names.Count(), 2);
    EXPECT_EQ(names.Name(0), u"new");
    EXPECT_EQ(names.Name(1), u"two");
}

// Positions taken whole from a held part read shifted as appended; appends after them go after
// them, a second part is refused, and cleared, the table takes a part again.
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
    table.Squeeze();
    COffsetTable moved = std::move(table);
    const std::vector<std::int32_t> expected = {5, 100, 107, 109, 120};
    ASSERT_EQ(moved.Count(), static_cast<std::int32_t>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(moved[static_cast<std::int32_t>(i)], expected[i]) << i;
    moved.Clear();
    moved.Append(3);
    ASSERT_TRUE(moved.AdoptTail(more, 1));
    ASSERT_EQ(moved.Count(), 2);
    EXPECT_EQ(moved[0], 3);
    EXPECT_EQ(moved[1], 3);
}

struct SFind {
    const char* why;
    std::int32_t after;
    std::u16string_view term;
    std::int32_t row;
};

class FindPrefixTest : public testing::TestWithParam<SFind> {};

TEST_P(FindPrefixTest, SearchesAfterTheRowAndWraps) {
    const CItemNames names =
        Names({u"apple", u"Banana", u"apricot", u"가나다", u"가", u"", u"Äpfel"});
    EXPECT_EQ(names.FindPrefix(GetParam().after, GetParam().term), GetParam().row)
        << GetParam().why;
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
        SFind{"empty term after the last row", 6, u"", 0},
        SFind{"after out of range: from row 0", 7, u"Ba", 1},
        SFind{"after far out of range", 1000, u"", 0}, SFind{"no match", -1, u"zz", -1}));

} // namespace
