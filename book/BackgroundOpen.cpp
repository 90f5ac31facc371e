#include "BackgroundOpen.h"

#include <new>

CBackgroundOpen::CBackgroundOpen(std::string path, EFileKind kind, std::string codePage)
    : m_strPath(std::move(path)), m_nFileKind(kind), m_strCodePage(std::move(codePage)) {
    m_build = std::async(std::launch::async, [this] {
        SOutcome outcome;
        try {
            outcome.book = CBook::Create(m_strCodePage);
        } catch (const std::bad_alloc&) {
            return outcome; // as a refused code page: no book, reported as too large
        }
        if (outcome.book)
            outcome.status = outcome.book->Open(m_strPath, m_nFileKind);
        return outcome;
    });
}

CBackgroundOpen::~CBackgroundOpen() {
    if (m_build.valid())
        m_build.wait();
}

CBackgroundOpen::SOutcome CBackgroundOpen::Take() {
    return m_build.get();
}
