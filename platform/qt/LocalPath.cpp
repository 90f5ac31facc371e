#include "LocalPath.h"

#include "TextCodec.h"
#include "Utf8.h"

#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& path) {
    struct stat named {};
    return ::lstat(path.c_str(), &named) == 0;
}

// The one entry of folder whose name Qt reads as name; empty when none or several do, since
// then the name can't tell which entry the user chose.
std::string EntryNamed(const std::string& folder, const QString& name) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir)
        return {};
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == name && ++matches == 1)
            found = entry->d_name;
    }
    ::closedir(dir);
    return matches == 1 ? found : std::string();
}

} // namespace

std::string PathBytesOf(const QString& path) {
    std::string bytes = QFile::encodeName(path).toStdString();
    // Qt reads each byte it can't decode as U+FFFD, so a name holding one may stand for
    // another file than the one whose bytes encodeName gives back, even one that exists.
    if (path.isEmpty() || (Exists(bytes) && !path.contains(QChar::ReplacementCharacter)))
        return bytes;
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString folder = info.absolutePath();
    if (name.isEmpty() || folder == info.absoluteFilePath())
        return bytes; // the root, or a path ending in a slash
    // The folder's own name may have been read with losses too.
    std::string folderBytes = PathBytesOf(folder);
    if (!folderBytes.empty() && folderBytes.back() == '/')
        folderBytes.pop_back();
    const std::string entry = EntryNamed(folderBytes, name);
    return entry.empty() ? bytes : folderBytes + '/' + entry;
}

QString ReadableName(std::string_view nameBytes) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(nameBytes.data());
    if (IsValidUtf8(bytes, nameBytes.size()))
        return QString::fromUtf8(nameBytes.data(), static_cast<qsizetype>(nameBytes.size()));
    // Names from Korean archives are CP949; the codec marks any byte it can't read.
    static const std::unique_ptr<CTextCodec> cp949 = CTextCodec::Create("CP949");
    if (!cp949)
        return QFile::decodeName(
            QByteArray(nameBytes.data(), static_cast<qsizetype>(nameBytes.size())));
    const std::u16string text = cp949->Decode(nameBytes);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
