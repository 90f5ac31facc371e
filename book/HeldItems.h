#pragma once

// Scanning a large book on two threads: the second part's items are held while the first part
// reports to the sink, then reported after them, so the sink sees one scan's items in order.

#include "ItemSink.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

// The items of a part of the book, held to be reported after the parts before it.
class CHeldItems : public CItemSink {
public:
    void AddItem(std::int32_t position, std::u16string_view name) override {
        m_positions.push_back(position);
        m_names.append(name);
        m_ends.push_back(m_names.size());
    }
    void AddAsciiItem(std::int32_t position, std::string_view name) override {
        const std::size_t at = m_names.size();
        m_names.resize(at + name.size());
        std::copy(name.begin(), name.end(), m_names.begin() + static_cast<std::ptrdiff_t>(at));
        m_positions.push_back(position);
        m_ends.push_back(m_names.size());
    }
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override {
        const std::size_t at = m_names.size();
        m_names.resize(at + bytes.size());
        m_names.resize(at + codec.DecodeInto(bytes, m_names.data() + at));
        m_positions.push_back(position);
        m_ends.push_back(m_names.size());
    }
    // Positions are reported shifted by shift, for a part scanned from its own start.
    void ReportTo(CItemSink& sink, std::int32_t shift = 0) const {
        std::size_t start = 0;
        for (std::size_t i = 0; i < m_positions.size(); ++i) {
            sink.AddItem(m_positions[i] + shift,
                         std::u16string_view(m_names).substr(start, m_ends[i] - start));
            start = m_ends[i];
        }
    }

private:
    std::vector<std::int32_t> m_positions;
    std::vector<std::size_t> m_ends;
    std::u16string m_names;
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
