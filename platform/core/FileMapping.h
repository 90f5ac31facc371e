#pragma once

#include <cstddef>
#include <cstdint>

class CBinaryFile;

// A read-only view of an open regular file's first bytes, followed by zero bytes.
//
// Another program may shorten the file while the view is held; reading a page past the new end
// would then raise SIGBUS and end the process. The first mapping therefore installs a SIGBUS
// handler for the process, which puts a page of zeros under such an address (the view then
// reads zeros where the lost bytes were) and passes every other SIGBUS on to the handler it
// replaced, the default one ending the process as before.
class CFileMapping {
public:
    CFileMapping() = default;
    ~CFileMapping() { Unmap(); }
    CFileMapping(const CFileMapping&) = delete;
    CFileMapping& operator=(const CFileMapping&) = delete;

    // Maps the file's first length bytes and at least zeroTail zero bytes after them (should
    // the file grow meanwhile, the bytes up to the end of its last page are the file's). False
    // when the system refuses (no mapping for this kind of file, no address space, the handler
    // can't be installed, too many views held at once): the caller then reads the file.
    bool Map(const CBinaryFile& file, std::size_t length, std::size_t zeroTail);
    void Unmap();

    const std::uint8_t* Data() const { return m_pData; }
    bool IsMapped() const { return m_pData != nullptr; }

private:
    std::uint8_t* m_pData = nullptr;
    std::size_t m_nMapped = 0; // the whole area, file and zeros
};
