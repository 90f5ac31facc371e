#pragma once

// The busy cursor over the whole application between Begin() and End(). Begin() on an object
// already begun, or End() on one not begun, does nothing, so every object restores exactly
// what it set; objects nest. Constructing one shows nothing yet; destroying one that is
// still begun ends it.
class CWaitCursor {
public:
    CWaitCursor() = default;
    ~CWaitCursor() { End(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    void Begin();
    void End();
    bool IsBegun() const { return m_bBegun; }

private:
    bool m_bBegun = false;
};
