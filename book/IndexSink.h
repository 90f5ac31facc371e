#pragma once

#include "BookFile.h"
#include "ItemNames.h"
#include "ItemSink.h"
#include "OffsetTable.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Records each item found in a table and a list of names that must stay in step; both belong
// to the caller. A full pool of names takes no more items: the rest of the book is left out of
// both. Given passed, it tells of the bytes before each item a few MiB at a time, for a scan that
// reads the book once in file order and reports each item when it reaches it.
class CIndexSink : public CItemSink {
public:
    CIndexSink(COffsetTable& table, CItemNames& names, const ScanPassed* passed = nullptr)
        : m_table(table), m_names(names), m_pPassed(passed) {}

    void AddItem(std::int32_t position, std::u16string_view name) override;
    void AddAsciiItem(std::int32_t position, std::string_view name) override;
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override;
    // The held part's scan tells of its own bytes: only those before it are left to tell.
    bool AdoptHeldItems(CPlainArray<std::int32_t>& positions, std::int32_t shift,
                        CItemNames& names) override;
    bool CopyHeldItems(const CPlainArray<std::int32_t>& positions, std::int32_t shift,
                       CItemNames& names) override;

private:
    static constexpr std::size_t kPassedStep = 4 << 20;

    void Close(std::int32_t position) {
        m_table.Append(position);
        Passed(static_cast<std::size_t>(position));
    }
    // The bytes before position have been read for the last time.
    void Passed(std::size_t position);

    COffsetTable& m_table;
    CItemNames& m_names;
    const ScanPassed* m_pPassed;
    std::size_t m_nPassed = 0; // the bytes before it have been told of
    bool m_bFull = false;
};
