#include "LocalPath.h"

#include <QFile>

std::string PathBytesOf(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString ReadableName(std::string_view nameBytes) {
    return QFile::decodeName(
        QByteArray(nameBytes.data(), static_cast<qsizetype>(nameBytes.size())));
}
