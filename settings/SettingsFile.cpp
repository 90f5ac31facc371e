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
    if (path.empty())
        return false;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    ::fchmod(fd, 0644);
    m_strPath = path;
    m_strTemp = temp;
    m_nFd = fd;
    return true;
}

bool CSettingsWriter::Commit(const SSettingsRecord& record) {
    if (m_nFd < 0)
        return false;
    const auto bytes = EncodeSettings(record);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_nFd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += static_cast<std::size_t>(put);
    }
    const bool written = done == bytes.size() && ::fsync(m_nFd) == 0;
    const bool closed = ::close(m_nFd) == 0;
    m_nFd = -1;
    if (!written || !closed || std::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) {
        Discard();
        return false;
    }
    m_strTemp.clear();
    return true;
}

void CSettingsWriter::Discard() {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}
