#pragma once

#include <QString>

#include <string>
#include <string_view>

// Paths as the file system holds them: bytes, which need not be valid UTF-8 (a CP949 name from
// a Korean archive). A path never makes a round trip through QString on its way to the file
// system; QString is only for showing a name.

// The file system's bytes of a path that a Qt dialog returned. Qt decodes a name that is not
// valid UTF-8 with losses; such a name is found again among its folder's entries.
std::string PathBytesOf(const QString& path);

// A file name for a label: UTF-8 when its bytes are valid UTF-8, else CP949.
QString ReadableName(std::string_view nameBytes);
