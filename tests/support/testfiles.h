// Reading and writing whole files in tests, to check what a save left behind or to plant what
// a load must meet.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vrx::test {

// The file's bytes; a marker no save writes when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace vrx::test
