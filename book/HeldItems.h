#pragma once

// Scanning a large book on two threads: the items of every part but the first are held while
// the first part reports to the sink, then reported after them, so the sink sees one scan's
// items in order.

#include "ItemNames.h"
#include "ItemSink.h"
#include "PlainArray.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
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
        if (!m_bFull)
            Hold(position, m_names.Append(name));
    }
    void AddAsciiItem(std::int32_t position, std::string_view name) override {
        if (!m_bFull)
            Hold(position, m_names.AppendAscii(name));
    }
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override {
        if (!m_bFull)
            Hold(position, m_names.AppendCoded(bytes, codec));
    }
    // Positions are reported shifted by shift, for a part scanned from its own start. A sink that
    // stores names takes them whole, or copies them where whole is false (a small part, so that
    // a larger one after it may still be taken whole); to any other the positions reported are
    // given back on the way, as the sink's own memory grows: the items can be reported once only.
    void ReportTo(CItemSink& sink, std::int32_t shift = 0, bool whole = true) {
        if (whole ? m_positions.Size() > 0 && sink.AdoptHeldItems(m_positions, shift, m_names)
                  : sink.CopyHeldItems(m_positions, shift, m_names))
            return;
        constexpr std::size_t kChunk = 1 << 12;
        std::u16string name;
        for (std::size_t i = 0; i < m_positions.Size(); ++i) {
            if (i % kChunk == 0)
                m_positions.DropFront(i);
            m_names.NameInto(static_cast<std::int32_t>(i), name);
            sink.AddItem(m_positions[i] + shift, name);
        }
    }

    std::size_t Count() const { return m_positions.Size(); }

private:
    // A name that found no room ends the part, as the index ends where its pool is full.
    void Hold(std::int32_t position, std::int32_t row) {
        if (row < 0)
            m_bFull = true;
        else
            m_positions.Append(&position, 1);
    }

    CPlainArray<std::int32_t> m_positions;
    CItemNames m_names; // row i names the item at m_positions[i]
    bool m_bFull = false;
};

// Holds threads back until it is opened, once; opening it again does nothing.
class CStartGate {
public:
    void Open() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bOpen = true;
        }
        m_opened.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_opened.wait(lock, [this] { return m_bOpen; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_bOpen = false;
};

// Set on a thread that builds an index in the background of a window starting: the second
// threads RunSideBySide starts from it wait at the gate until the window no longer needs a core
// of its own. The first part goes on meanwhile, and a thread that starts late takes fewer pieces.
inline thread_local CStartGate* t_pSideThreadsGate = nullptr;

// Runs second on a thread of its own while first runs on this one, and returns when both are
// done; an exception of either is thrown again here, first's before second's. Without a thread
// to be had, second runs here after first: the same work, one part after the other.
template <class First, class Second> void RunSideBySide(First first, Second second) {
    std::exception_ptr secondFailed;
    std::thread worker;
    try {
        worker = std::thread([&, gate = t_pSideThreadsGate] {
            if (gate)
                gate->Wait();
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
