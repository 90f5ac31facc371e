#include "SettingsFile.h"
#include "BookFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sets an environment variable for one test and restores it afterwards.
class CEnvVar {
public:
    CEnvVar(const char* name, const char* value) : m_pName(name) {
        if (const char* old = std::getenv(name))
            m_strOld = old, m_bHad = true;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~CEnvVar() { m_bHad ? ::setenv(m_pName, m_strOld.c_str(), 1) : ::unsetenv(m_pName); }

private:
    const char* m_pName;
    std::string m_strOld;
    bool m_bHad = false;
};

TEST(SettingsFile, RecordIsTenLittleEndianBytes) {
    const auto bytes = EncodeSettings({/*period=*/0x01020304, /*order=*/-2});
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()),
              Bytes("\x04\x03\x02\x01\xfe\xff\xff\xff\x00\x00", 10));
}

TEST(SettingsFile, ReadsWhateverTheFileHolds) {
    CTempDir dir;
    SSettingsRecord record{123, 456};
    EXPECT_FALSE(ReadSettingsRecord(dir.Path("missing.set"), record));
    EXPECT_EQ(record.period, 123u);                         // untouched
    EXPECT_FALSE(ReadSettingsRecord(dir.Path(""), record)); // a folder

    struct SCase {
        Bytes file;
        std::uint32_t period;
        std::int32_t order;
    } cases[] = {
        {Bytes("\xe8\x03\0\0\x07\0\0\0\0\0", 10), 1000, 7},
        {Bytes("\x50\xc3\0\0\x01\0\0\0\xff\xff extra", 16), 50000, 1}, // only 10 bytes count
        {Bytes("\x10\x27\0\0\x01", 5), 10000, 1},                      // short: zeros follow
        {Bytes("\xff\xff\xff\xff", 4), 0xFFFFFFFF, 0},
        {"", 0, 0},
    };
    for (const SCase& c : cases) {
        const std::string path = dir.Write("t.set", c.file);
        ASSERT_TRUE(ReadSettingsRecord(path, record));
        EXPECT_EQ(record.period, c.period);
        EXPECT_EQ(record.order, c.order);
    }
}

bool Save(const std::string& path, const SSettingsRecord& record) {
    CSettingsWriter writer;
    return writer.Open(path) && writer.Commit(record);
}

const Bytes kRecord("\xe8\x03\0\0\x05\0\0\0\0\0", 10); // {1000, 5}
const Bytes kOld("old settings, longer than ten");

TEST(SettingsFile, WriterReplacesTheFileWholeOrNotAtAll) {
    CTempDir dir;
    const std::string path = dir.Write("Tomlet.set", kOld);
    ASSERT_TRUE(Save(path, {1000, 5}));
    EXPECT_EQ(ReadAll(path), kRecord);
    // Opened but never committed: the file stays as it was and no stray file is left.
    {
        CSettingsWriter abandoned;
        ASSERT_TRUE(abandoned.Open(path));
    }
    EXPECT_EQ(ReadAll(path), kRecord);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);

    // The folder is missing: nothing is created.
    CSettingsWriter missing;
    EXPECT_FALSE(missing.Open(dir.Path("no-such-folder/Tomlet.set")));
    EXPECT_FALSE(missing.Commit({1, 1}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no-such-folder")));

    // The path is a folder: refused, and the folder is left alone.
    std::filesystem::create_directories(dir.Path("taken.set/inside"));
    EXPECT_FALSE(Save(dir.Path("taken.set"), {1, 1}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("taken.set/inside")));
}

// What the user made of the path is kept: the record goes into the file the path finally
// names, with that file's mode, links and other names, or nothing is written at all.
TEST(SettingsFile, WriterKeepsWhatThePathIs) {
    namespace fs = std::filesystem;
    struct SCase {
        const char* name;
        const char* linkTo; // the path is a link to this, relative to the folder; or none
        fs::perms mode;     // of the file the record goes to, which first holds kOld
        bool saved;
    } cases[] = {
        {"plain file, private mode", nullptr, fs::perms(0600), true},
        {"plain file, group may write", nullptr, fs::perms(0664), true},
        {"link to a file in another folder", "real/Tomlet.set", fs::perms(0640), true},
        {"link to a link", "second-link", fs::perms(0644), true},
        {"read-only file, even to root", nullptr, fs::perms(0444), false},
        {"link to a read-only file", "real/Tomlet.set", fs::perms(0400), false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.name);
        CTempDir dir;
        fs::create_directory(dir.Path("real"));
        const std::string path = dir.Path("Tomlet.set");
        std::string file = path;
        if (c.linkTo) {
            fs::create_symlink(c.linkTo, path);
            if (std::string(c.linkTo) == "second-link")
                fs::create_symlink("real/Tomlet.set", dir.Path("second-link"));
            file = dir.Path("real/Tomlet.set");
        }
        dir.Write(file.substr(dir.Path("").size()), kOld);
        fs::permissions(file, c.mode);
        EXPECT_EQ(Save(path, {1000, 5}), c.saved);
        EXPECT_EQ(ReadAll(file), c.saved ? kRecord : kOld);
        EXPECT_EQ(fs::status(file).permissions(), c.mode);
        EXPECT_EQ(fs::is_symlink(path), c.linkTo != nullptr);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path("real")), {}),
                  c.linkTo ? 1 : 0); // no temporary file left anywhere
    }
}

TEST(SettingsFile, WriterWritesOtherKindsOfFileInPlace) {
    namespace fs = std::filesystem;
    CTempDir dir;
    // A link to nothing yet: its target is created, the link stays.
    const std::string dangling = dir.Path("dangling.set");
    fs::create_symlink("made.set", dangling);
    ASSERT_TRUE(Save(dangling, {1000, 5}));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(ReadAll(dir.Path("made.set")), kRecord);

    // A file with a second name: both names see the new record.
    const std::string first = dir.Write("first.set", kOld);
    fs::create_hard_link(first, dir.Path("second.set"));
    ASSERT_TRUE(Save(first, {1000, 5}));
    EXPECT_EQ(ReadAll(dir.Path("second.set")), kRecord);

    // A device that fails every write reports it.
    const std::string full = dir.Path("full.set");
    fs::create_symlink("/dev/full", full);
    EXPECT_FALSE(Save(full, {1000, 5}));
    EXPECT_TRUE(fs::is_symlink(full));

    // A FIFO: with no reader the save fails at once instead of waiting for one; with a reader,
    // the reader gets the record.
    const std::string fifo = dir.Path("fifo.set");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(Save(fifo, {1000, 5}));
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(Save(fifo, {1000, 5}));
    char got[32] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 10);
    EXPECT_EQ(Bytes(got, 10), kRecord);
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST(SettingsFile, PathFollowsTheEnvironment) {
    CTempDir dir;
    {
        CEnvVar set("TOMLET_SETTINGS", "/some/where/else.set");
        EXPECT_EQ(SettingsPath(), "/some/where/else.set");
    }
    CEnvVar unset("TOMLET_SETTINGS", nullptr);
    CEnvVar home("HOME", dir.Path("").c_str());
    CEnvVar config("XDG_CONFIG_HOME", nullptr);
    {
        CEnvVar docs("XDG_DOCUMENTS_DIR", "/docs");
        EXPECT_EQ(SettingsPath(), "/docs/Tomlet.set");
    }
    CEnvVar docs("XDG_DOCUMENTS_DIR", nullptr);
    EXPECT_EQ(SettingsPath(), dir.Path("/Documents/Tomlet.set"));
    std::filesystem::create_directory(dir.Path(".config"));
    dir.Write(".config/user-dirs.dirs", "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/문서\"\n");
    EXPECT_EQ(SettingsPath(), dir.Path("/문서/Tomlet.set"));
}

} // namespace
