#include "SettingsFile.h"
#include "BookFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

TEST(SettingsFile, WriterReplacesTheFileWholeOrNotAtAll) {
    CTempDir dir;
    const std::string path = dir.Write("Tomlet.set", "old settings, longer than ten");
    {
        CSettingsWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Commit({1000, 5}));
    }
    EXPECT_EQ(ReadAll(path), Bytes("\xe8\x03\0\0\x05\0\0\0\0\0", 10));
    // Opened but never committed: the file stays as it was and no stray file is left.
    {
        CSettingsWriter abandoned;
        ASSERT_TRUE(abandoned.Open(path));
    }
    EXPECT_EQ(ReadAll(path).size(), 10u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path("")), {}), 1);

    // The folder is missing: nothing is created.
    CSettingsWriter missing;
    EXPECT_FALSE(missing.Open(dir.Path("no-such-folder/Tomlet.set")));
    EXPECT_FALSE(missing.Commit({1, 1}));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no-such-folder")));

    // The path is a folder: the commit fails and the folder is left alone.
    std::filesystem::create_directory(dir.Path("taken.set"));
    std::filesystem::create_directory(dir.Path("taken.set/inside"));
    CSettingsWriter taken;
    ASSERT_TRUE(taken.Open(dir.Path("taken.set")));
    EXPECT_FALSE(taken.Commit({1, 1}));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Path("taken.set/inside")));
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
