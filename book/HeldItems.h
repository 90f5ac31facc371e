#pragma once

// Scanning a large book on two threads: the second part's items are held while the first part
// reports to the sink, then reported after them, so the sink sees one scan's items in order.

#include "ItemSink.h"
#include "PlainArray.h"
#include "Utf8.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// The items of a part of the book, held to be reported after the parts before it. Its arrays
// grow by remapping, not copying, and hold no more pages than their values fill, so that the
// held part costs no more than its names and positions beside the index being built.
class CHeldItems : public CItemSink {
public:
    void AddItem(std::int32_t position, std::u16string_view name) override {
        m_names.Append(name.data(), name.size());
        Close(position);
    }
    void AddAsciiItem(std::int32_t position, std::string_view name) override {
        WidenAscii(name.data(), name.size(), m_names.Extend(name.size()));
        Close(position);
    }
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override {
        const std::size_t start = m_names.Size();
        m_names.ShrinkTo(start + codec.DecodeInto(bytes, m_names.Extend(bytes.size())));
        Close(position);
    }
    // Positions are reported shifted by shift, for a part scanned from its own start. A sink that
    // stores names takes them whole; to any other the memory of what was reported is given back
    // on the way, as the sink's own grows: the items can be reported once only.
    void ReportTo(CItemSink& sink, std::int32_t shift = 0) {
        if (m_positions.Size() > 0 && sink.AdoptHeldItems(m_positions, shift, m_names, m_ends))
            return;
        // What was reported goes back a few pages at a time: until then it is held twice, here
        // and in the sink.
        constexpr std::size_t kChunk = 1 << 12;
        std::uint32_t start = 0;
        for (std::size_t i = 0; i < m_positions.Size(); ++i) {
            if (i % kChunk == 0) {
                m_positions.DropFront(i);
                m_ends.DropFront(i);
                m_names.DropFront(start);
            }
            const std::uint32_t end = m_ends[i];
            sink.AddItem(m_positions[i] + shift,
                         std::u16string_view(std::as_const(m_names).Data() + start, end - start));
            start = end;
        }
    }

private:
    // Ends the item whose name was just added.
    void Close(std::int32_t position) {
        const auto end = static_cast<std::uint32_t>(m_names.Size());
        m_positions.Append(&position, 1);
        m_ends.Append(&end, 1);
    }

    CPlainArray<std::int32_t> m_positions;
    CPlainArray<std::uint32_t> m_ends; // where each name ends in m_names
    CPlainArray<char16_t> m_names;
};

// Runs second on a thread of its own while first runs on this one, and returns when both are
// done; an exception of either is thrown again here, first's before second's. Without a thread
// to be had, second runs here after first: the same work, one part after the other.
template <class First, class Second> void RunSideBySide(First first, Second second) {
    std::exception_ptr secondFailed;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                second();
            } catch (...) {
                secondFailed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    std::exception_ptr firstFailed;
    try {
        first();
    } catch (...) {
        firstFailed = std::current_exception();
    }
    worker.join();
    if (firstFailed)
        std::rethrow_exception(firstFailed);
    if (secondFailed)
        std::rethrow_exception(secondFailed);
}
