// File names between Qt's text and the byte strings the file system and the plain C++ layers
// take, in the encoding of the user's locale.
#pragma once

#include <QFile>
#include <QString>

#include <string>

inline std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

inline QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}
