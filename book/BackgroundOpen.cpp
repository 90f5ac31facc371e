#include "BackgroundOpen.h"

#include <new>

CBackgroundOpen::CBackgroundOpen(std::string path, EFileKind kind, std::string codePage,
                                 std::function<void()> first)
    : m_strPath(std::move(path)), m_nFileKind(kind), m_strCodePage(std::move(codePage)) {
    m_build = std::async(std::launch::async, [this, first = std::move(first)] {
        if (first)
            first();
        // Until the window is drawn, its start has the second core, so that it can show a text
        // book's first items soon. A CVD book is shown once whole: its build takes both at once.
        if (m_nFileKind != EFileKind::Cvd)
            t_pSideThreadsGate = &m_gate;
        SOutcome outcome = Build();
        std::function<void()> done;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bEnded = true;
            done = std::move(m_done);
        }
        if (done)
            done();
        return outcome;
    });
}

CBackgroundOpen::SOutcome CBackgroundOpen::Build() const {
    SOutcome outcome;
    try {
        outcome.book = CBook::Create(m_strCodePage);
    } catch (const std::bad_alloc&) {
        return outcome; // as a refused code page: no book, reported as too large
    }
    if (outcome.book)
        outcome.status = outcome.book->Open(m_strPath, m_nFileKind);
    return outcome;
}

void CBackgroundOpen::WhenDone(std::function<void()> done) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_bEnded) {
            m_done = std::move(done);
            return;
        }
    }
    done();
}

CBackgroundOpen::~CBackgroundOpen() {
    m_gate.Open();
    if (m_build.valid())
        m_build.wait();
}

CBackgroundOpen::SOutcome CBackgroundOpen::Take() {
    m_gate.Open();
    return m_build.get();
}
