// Paths and list entries are bytes in the file system's encoding; widgets
// show them as text. Messages of the system are UTF-8.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace corvane {

inline std::string ToBytes(const QString& text) { return QFile::encodeName(text).toStdString(); }
inline QString FromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

}  // namespace corvane
