#include "BookFixture.h"

#include "Book.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <gtest/gtest.h>

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

const CTextCodec& Cp949() {
    static const auto codec = CTextCodec::Create("CP949");
    return *codec;
}

CTempDir::CTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tomlet-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_strRoot = pattern;
}

CTempDir::~CTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_strRoot, ignored);
}

std::string CTempDir::Write(const std::string& name, const Bytes& bytes) const {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
    return path;
}

std::vector<std::string> IconvCodePages() {
    std::vector<std::string> names;
    FILE* list = ::popen("iconv -l", "r");
    if (!list)
        return names;
    // Names are separated by commas, blanks or line ends, and end in "//".
    std::string name;
    for (int c; (c = std::fgetc(list)) != EOF;) {
        if (c != ',' && c != ' ' && c != '\n') {
            name += static_cast<char>(c);
            continue;
        }
        if (name.size() > 2 && name.ends_with("//"))
            names.push_back(name.substr(0, name.size() - 2));
        name.clear();
    }
    ::pclose(list);
    return names;
}

std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

void ExpectIndex(const CBook& opened, const CCollect& want, const std::string& why) {
    ASSERT_EQ(opened.Offsets().Count(), static_cast<std::int32_t>(want.positions.size())) << why;
    for (std::int32_t i = 0; i < opened.Offsets().Count(); ++i) {
        ASSERT_EQ(opened.Offsets()[i], want.positions[i]) << why;
        ASSERT_EQ(opened.Names().Name(i), want.names[i]) << why;
    }
}
