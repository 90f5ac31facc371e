#pragma once

#include "Book.h"
#include "HeldItems.h"

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>

// A book whose index is built on a thread of its own, so that a large book is read while the
// caller does other work (a window starting). The outcome is what CBook::Create and Open give
// on the caller's thread.
class CBackgroundOpen {
public:
    // Starts building the index of the book at path (file system bytes), read as kind, in
    // codePage (empty: chosen per book). first, when given, runs on the build's thread before
    // the build (the tests hold a build back with it).
    CBackgroundOpen(std::string path, EFileKind kind, std::string codePage,
                    std::function<void()> first = {});
    // Waits for a build whose outcome was never taken.
    ~CBackgroundOpen();
    CBackgroundOpen(const CBackgroundOpen&) = delete;
    CBackgroundOpen& operator=(const CBackgroundOpen&) = delete;

    const std::string& Path() const { return m_strPath; }
    EFileKind Kind() const { return m_nFileKind; }
    const std::string& CodePage() const { return m_strCodePage; }

    struct SOutcome {
        std::unique_ptr<CBook> book; // null when the code page is refused
        EBookStatus status = EBookStatus::TooLarge;
    };
    // Waits for the build to end, without taking its book.
    void Wait() const {
        m_gate.Open();
        m_build.wait();
    }
    // Lets the build use a second core: until then, or until Take, it reads a text book on one
    // thread, leaving the other core to the window starting.
    void UseSecondCore() { m_gate.Open(); }
    // Whether the build has ended, so that Take does not wait.
    bool IsDone() const {
        return m_build.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    // Has done called once as the build ends: on the build's thread, just before its outcome is
    // ready, or at once on the caller's when the build has already ended. Replaces an earlier
    // done not yet called.
    void WhenDone(std::function<void()> done);
    // Waits for the build and hands over its book; once only.
    SOutcome Take();

private:
    SOutcome Build() const;

    std::string m_strPath;
    EFileKind m_nFileKind;
    std::string m_strCodePage;
    mutable CStartGate m_gate; // the build's second thread waits for it
    std::mutex m_mutex;        // guards the two below
    bool m_bEnded = false;     // the build has called or passed its done
    std::function<void()> m_done;
    std::future<SOutcome> m_build;
};
