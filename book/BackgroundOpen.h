#pragma once

#include "Book.h"

#include <future>
#include <memory>
#include <string>

// A book whose index is built on a thread of its own, so that a large book is read while the
// caller does other work (a window starting). The outcome is what CBook::Create and Open give
// on the caller's thread.
class CBackgroundOpen {
public:
    // Starts building the index of the book at path (file system bytes), read as kind, in
    // codePage (empty: chosen per book).
    CBackgroundOpen(std::string path, EFileKind kind, std::string codePage);
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
    void Wait() const { m_build.wait(); }
    // Waits for the build and hands over its book; once only.
    SOutcome Take();

private:
    std::string m_strPath;
    EFileKind m_nFileKind;
    std::string m_strCodePage;
    std::future<SOutcome> m_build;
};
