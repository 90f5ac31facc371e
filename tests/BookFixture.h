#pragma once

#include "ItemSink.h"
#include "OffsetTable.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Bytes of a test book, written as a string literal: "\x00\x02" and so on.
using Bytes = std::string;

class CBook;
class CTextCodec;

std::span<const std::uint8_t> Span(const Bytes& bytes);
// The Korean code page books are read in by default.
const CTextCodec& Cp949();

// A folder of its own for each test's books, removed afterwards.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    std::string Write(const std::string& name, const Bytes& bytes) const;
    std::string Path(const std::string& name) const { return m_strRoot + "/" + name; }

private:
    std::string m_strRoot;
};

// Collects an index as the reader's list and table would hold it.
class CCollect : public CItemSink {
public:
    void AddItem(std::int32_t position, std::u16string_view name) override {
        table.Append(position);
        positions.push_back(position);
        names.emplace_back(name);
    }
    COffsetTable table;
    std::vector<std::int32_t> positions;
    std::vector<std::u16string> names;
};

// Expects the index a book's own Open built to hold want's items: every position and name.
void ExpectIndex(const CBook& opened, const CCollect& want, const std::string& why);

// Every code page name `iconv -l` lists, aliases included; empty when it can't be run.
std::vector<std::string> IconvCodePages();

// UTF-8 of a name or body, so that failures print readably.
std::string Utf8(const std::u16string& text);
