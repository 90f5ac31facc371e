#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file opened by path for binary reading or writing. No operation throws: a failed open is
// a false result, a failed read reads fewer bytes. Paths are in the file system's own bytes.
class CBinaryFile {
public:
    enum class Mode {
        Read,        // an existing regular file, for reading
        CreateWrite, // created or truncated, for writing only
    };

    CBinaryFile() = default;
    ~CBinaryFile();
    CBinaryFile(const CBinaryFile&) = delete;
    CBinaryFile& operator=(const CBinaryFile&) = delete;

    // Opens the file. Reading refuses anything that is not a regular file (a directory, a FIFO,
    // a device), so that choosing one can neither hang nor read forever.
    bool Open(const std::string& path, Mode mode);
    bool IsOpen() const { return m_nFd >= 0; }
    // The open file's descriptor, for mapping it; -1 when closed.
    int Descriptor() const { return m_nFd; }
    void Close();

    // The file's current length in bytes, or -1 when it can't be learnt.
    std::int64_t GetLength() const;

    // Reads up to count bytes; returns how many were read (0 at the end of the file or on error).
    std::int64_t Read(void* buffer, std::int64_t count);

    // Moves to an absolute offset from the start and returns the position reached. A position
    // past the end of the file is not reached: the end of the file is.
    std::int64_t Seek(std::int64_t offset);

    // Writes all count bytes; false when any could not be written.
    bool Write(const void* buffer, std::size_t count);

    // Pushes written bytes to the disk; false when that fails.
    bool Sync();

private:
    int m_nFd = -1;
};
