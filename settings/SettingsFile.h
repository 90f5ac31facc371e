#pragma once

// The settings file: one 10-byte record, nothing else.
//
//   OFFSET  SIZE  FIELD     MEANING
//   0       4     period    auto-view period in milliseconds, 32-bit little-endian
//   4       4     order     0 sequential, any other value random, 32-bit little-endian
//   8       2     reserved  written as zero, ignored when read
//
// Values are used as read, unchecked. A file shorter than 10 bytes reads as if the missing
// bytes were zero.

#include <array>
#include <cstdint>
#include <string>

struct SSettingsRecord {
    std::uint32_t period = 1000;
    std::int32_t order = 0;
};

inline constexpr std::size_t kSettingsBytes = 10;

std::array<std::uint8_t, kSettingsBytes> EncodeSettings(const SSettingsRecord& record);
SSettingsRecord DecodeSettings(const std::uint8_t* bytes, std::size_t count);

// Where the settings live: $TOMLET_SETTINGS when set, else Tomlet.set in the user's documents
// folder (XDG_DOCUMENTS_DIR, from the environment or user-dirs.dirs, else $HOME/Documents).
std::string SettingsPath();

// Reads the record; false, with record untouched, when the file can't be opened for reading.
bool ReadSettingsRecord(const std::string& path, SSettingsRecord& record);

// Writes the record whole or not at all: the bytes go to a new file beside the old one, which
// replaces it only once they are safely on disk. The folder is never created.
class CSettingsWriter {
public:
    CSettingsWriter() = default;
    ~CSettingsWriter();
    CSettingsWriter(const CSettingsWriter&) = delete;
    CSettingsWriter& operator=(const CSettingsWriter&) = delete;

    // Creates the new file; false when it can't be created (the old file is untouched).
    bool Open(const std::string& path);
    // Writes the record and puts it in the old file's place; false when any step fails, and
    // then the old file is untouched.
    bool Commit(const SSettingsRecord& record);

private:
    void Discard();

    std::string m_strPath;
    std::string m_strTemp;
    int m_nFd = -1;
};
