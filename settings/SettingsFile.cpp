#include "SettingsFile.h"

#include "BinaryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// XDG_DOCUMENTS_DIR as user-dirs.dirs gives it: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFromUserDirs(const std::string& home) {
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty())
        config = home + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return {};
}

// The file a path finally names: each symbolic link replaced by its target, a relative target
// read from the link's folder. Empty for a loop of links or a link that can't be read.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat named {};
        if (::lstat(path.c_str(), &named) != 0 || !S_ISLNK(named.st_mode))
            return path;
        std::string target(4096, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) == target.size())
            return {};
        target.resize(static_cast<std::size_t>(length));
        if (target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            target =
                (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = std::move(target);
    }
    return {};
}

// Creates a new, empty file in path's folder and names it in temp; -1 when the folder takes
// none.
int MakeFileBeside(const std::string& path, std::string& temp) {
    std::string name = path + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        temp = std::move(name);
    return fd;
}

// Makes a rename into path's folder last through a power cut.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// One write(2), or pwrite(2) at offset when it is 0 or more, retried only when a signal
// interrupted it before anything was written.
ssize_t WriteOnce(int fd, const std::uint8_t* bytes, std::size_t count, off_t offset) {
    for (;;) {
        const ssize_t put =
            offset < 0 ? ::write(fd, bytes, count) : ::pwrite(fd, bytes, count, offset);
        if (put >= 0 || errno != EINTR)
            return put;
    }
}

} // namespace

std::array<std::uint8_t, kSettingsBytes> EncodeSettings(const SSettingsRecord& record) {
    std::array<std::uint8_t, kSettingsBytes> bytes{};
    const auto order = static_cast<std::uint32_t>(record.order);
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(record.period >> (8 * i));
        bytes[4 + i] = static_cast<std::uint8_t>(order >> (8 * i));
    }
    return bytes;
}

SSettingsRecord DecodeSettings(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t full[kSettingsBytes] = {};
    std::memcpy(full, bytes, std::min(count, kSettingsBytes));
    SSettingsRecord record;
    std::uint32_t order = 0;
    record.period = 0;
    for (int i = 0; i < 4; ++i) {
        record.period |= static_cast<std::uint32_t>(full[i]) << (8 * i);
        order |= static_cast<std::uint32_t>(full[4 + i]) << (8 * i);
    }
    record.order = static_cast<std::int32_t>(order);
    return record;
}

std::string SettingsPath() {
    if (std::string path = Env("TOMLET_SETTINGS"); !path.empty())
        return path;
    const std::string home = Env("HOME");
    std::string documents = Env("XDG_DOCUMENTS_DIR");
    if (documents.empty())
        documents = DocumentsFromUserDirs(home);
    if (documents.empty())
        documents = home + "/Documents";
    return documents + "/Tomlet.set";
}

bool ReadSettingsRecord(const std::string& path, SSettingsRecord& record) {
    CBinaryFile file;
    if (!file.Open(path, CBinaryFile::Mode::Read))
        return false;
    std::uint8_t bytes[kSettingsBytes] = {};
    const std::int64_t read = file.Read(bytes, kSettingsBytes);
    record = DecodeSettings(bytes, static_cast<std::size_t>(read));
    return true;
}

CSettingsWriter::~CSettingsWriter() {
    Discard();
}

bool CSettingsWriter::Open(const std::string& path) {
    Discard();
    m_strPath = FollowLinks(path);
    if (m_strPath.empty())
        return false;
    struct stat named {};
    if (::lstat(m_strPath.c_str(), &named) != 0) {
        if (errno != ENOENT)
            return false;
        const int fd = MakeFileBeside(m_strPath, m_strTemp);
        if (fd < 0)
            return false;
        ::fchmod(fd, 0644);
        m_nFd = fd;
        return true;
    }
    // Root may write any file; a file without a single write bit was made read-only on
    // purpose, and that holds for root too.
    if (S_ISDIR(named.st_mode) || (named.st_mode & 0222) == 0)
        return false;
    // Opening is the honest test of whether this process may write the file. A FIFO without a
    // reader fails here (ENXIO) instead of blocking until one comes.
    const int fd =
        ::open(m_strPath.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC); // no O_TRUNC
    if (fd < 0)
        return false;
    struct stat file {};
    if (::fstat(fd, &file) != 0 || S_ISDIR(file.st_mode)) {
        ::close(fd);
        return false;
    }
    m_nFd = fd;
    m_bRegular = S_ISREG(file.st_mode);
    // Replacing a file with several names would cut it off from the others.
    if (!m_bRegular || file.st_nlink != 1)
        return true;
    const int temp = MakeFileBeside(m_strPath, m_strTemp);
    if (temp < 0)
        return true; // the folder takes no new file: in place
    struct stat made {};
    const bool same = ::fchmod(temp, file.st_mode & 07777) == 0 && ::fstat(temp, &made) == 0 &&
                      made.st_uid == file.st_uid &&
                      (made.st_gid == file.st_gid || ::fchown(temp, -1, file.st_gid) == 0);
    if (!same) {
        // The new file would change the owner: in place keeps it.
        ::close(temp);
        ::unlink(m_strTemp.c_str());
        m_strTemp.clear();
        return true;
    }
    ::close(m_nFd);
    m_nFd = temp;
    return true;
}

bool CSettingsWriter::Commit(const SSettingsRecord& record) {
    if (m_nFd < 0)
        return false;
    const auto bytes = EncodeSettings(record);
    const bool written =
        m_strTemp.empty() ? CommitInPlace(bytes.data()) : CommitBeside(bytes.data());
    Discard();
    return written;
}

bool CSettingsWriter::CommitBeside(const std::uint8_t* bytes) {
    std::size_t done = 0;
    while (done < kSettingsBytes) {
        const ssize_t put = ::write(m_nFd, bytes + done, kSettingsBytes - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    const bool written = done == kSettingsBytes && ::fsync(m_nFd) == 0;
    const bool closed = ::close(m_nFd) == 0;
    m_nFd = -1;
    if (!written || !closed || std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0)
        return false;
    m_strTemp.clear();
    SyncFolderOf(m_strPath);
    return true;
}

bool CSettingsWriter::CommitInPlace(const std::uint8_t* bytes) {
    if (!m_bRegular) // a FIFO or a device: one write, all or nothing to the reader
        return WriteOnce(m_nFd, bytes, kSettingsBytes, /*offset=*/-1) ==
               static_cast<ssize_t>(kSettingsBytes);
    struct stat file {};
    if (::fstat(m_nFd, &file) != 0)
        return false;
    // The bytes the record will cover, to put back should the write stop part-way; a file this
    // process may only write has none to give, and is written all the same.
    std::uint8_t old[kSettingsBytes] = {};
    ssize_t kept = -1;
    if (const int reader = ::open(m_strPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        reader >= 0) {
        kept = ::pread(reader, old, kSettingsBytes, 0);
        ::close(reader);
    }
    const ssize_t put = WriteOnce(m_nFd, bytes, kSettingsBytes, /*offset=*/0);
    if (put == static_cast<ssize_t>(kSettingsBytes))
        return ::ftruncate(m_nFd, kSettingsBytes) == 0 && ::fsync(m_nFd) == 0;
    // Cut off part-way (a full disk): put back what the write covered, and the old length.
    if (put > 0 && kept >= 0) {
        WriteOnce(m_nFd, old, static_cast<std::size_t>(std::min<ssize_t>(put, kept)), 0);
        if (::ftruncate(m_nFd, file.st_size) == 0)
            ::fsync(m_nFd);
    }
    return false;
}

void CSettingsWriter::Discard() {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
    m_bRegular = false;
}
