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

// Writes the record into the file the path names, whole or not at all, and leaves alone what
// the user set up there:
// - a symbolic link is followed, so its target gets the record and the link stays a link;
// - a file with no write permission bit is read-only and refused, even to root, who could
//   write it anyway; a file the process may not open for writing is refused too;
// - a plain file of this user's, in a folder that takes new files, is replaced by a new file
//   with the same mode, written and synced beside it, so that the path holds the old record or
//   the new one whatever happens part-way;
// - any other file (a read-only folder, a file of another user or with several names, a FIFO,
//   a device) is written in place: all ten bytes in one write, which a regular file then has
//   synced and cut to ten bytes. A short write to a regular file is undone by writing back the
//   bytes it overwrote. A FIFO is opened without waiting for a reader: with none, Open fails.
// A missing file is created with mode 0644; the folder never is.
class CSettingsWriter {
public:
    CSettingsWriter() = default;
    ~CSettingsWriter();
    CSettingsWriter(const CSettingsWriter&) = delete;
    CSettingsWriter& operator=(const CSettingsWriter&) = delete;

    // Readies the write; false when the file may not or can't be written (nothing changed).
    bool Open(const std::string& path);
    // Writes the record; false when any step fails, and then the file holds its old record.
    bool Commit(const SSettingsRecord& record);

private:
    bool CommitBeside(const std::uint8_t* bytes);
    bool CommitInPlace(const std::uint8_t* bytes);
    void Discard();

    std::string m_strPath; // the file itself, links followed
    std::string m_strTemp; // the new file beside it; empty when writing in place
    int m_nFd = -1;
    bool m_bRegular = false;
};
