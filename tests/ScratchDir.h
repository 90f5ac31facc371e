#pragma once

// A test's temporary folder, removed with everything in it when the test is done. QTemporaryDir
// alone leaves a folder behind when a name in it is not text in the locale's encoding (a book
// named in CP949 under a UTF-8 locale): Qt cannot name such a file to delete it. The bytes can.

#include <QFile>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

class CScratchDir : public QTemporaryDir {
public:
    ~CScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(QFile::encodeName(path()).toStdString(), ignored);
    }
};
