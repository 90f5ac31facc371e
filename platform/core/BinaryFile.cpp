#include "BinaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CBinaryFile::~CBinaryFile() {
    Close();
}

bool CBinaryFile::Open(const std::string& path, Mode mode) {
    Close();
    if (path.empty() || path.find('\0') != std::string::npos)
        return false;
    if (mode == Mode::CreateWrite) {
        m_nFd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        return m_nFd >= 0;
    }
    // Non-blocking, so that opening a FIFO without a writer returns at once.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_nFd = fd;
    return true;
}

void CBinaryFile::Close() {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
}

std::int64_t CBinaryFile::GetLength() const {
    struct stat st;
    if (m_nFd < 0 || ::fstat(m_nFd, &st) != 0)
        return -1;
    return st.st_size;
}

std::int64_t CBinaryFile::Read(void* buffer, std::int64_t count) {
    if (m_nFd < 0 || count <= 0)
        return 0;
    auto* out = static_cast<char*>(buffer);
    std::int64_t total = 0;
    while (total < count) {
        ssize_t got = ::read(m_nFd, out + total, static_cast<std::size_t>(count - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += got;
    }
    return total;
}

std::int64_t CBinaryFile::Seek(std::int64_t offset) {
    if (m_nFd < 0)
        return -1;
    std::int64_t length = GetLength();
    if (offset < 0 || length < 0)
        return ::lseek(m_nFd, 0, SEEK_CUR);
    if (offset > length)
        offset = length;
    return ::lseek(m_nFd, offset, SEEK_SET);
}

bool CBinaryFile::Write(const void* buffer, std::size_t count) {
    if (m_nFd < 0)
        return false;
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(m_nFd, in + done, count - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

bool CBinaryFile::Sync() {
    return m_nFd >= 0 && ::fsync(m_nFd) == 0;
}
