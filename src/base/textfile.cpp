// Saving through a temporary file, reading in pieces, excerpts for messages.
#include "textfile.h"

#include "errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vrx {

namespace {

constexpr qint64 PieceSize = qint64(64) * 1024;
constexpr qsizetype ExcerptLength = 20;

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

std::optional<QString> SaveWholeFile(const QString& path, QByteArrayView bytes) {
    const auto failure = [&path](const QString& reason) {
        return QStringLiteral("Can not write file %1 : %2").arg(FileName(path), reason);
    };
    // A folder of that name would otherwise be reported only by the final rename, with a
    // reason that speaks of temporary files; and the rename would put a plain file in place
    // of a device or a pipe.
    const QFileInfo target(path);
    if (target.isDir()) return failure(QStringLiteral("a folder has this name"));
    if (target.exists() && !target.isFile()) return failure(QStringLiteral("not a plain file"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failure(file.errorString());
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(reason);
    }
    // commit() flushes, and a full disk often shows only here.
    if (!file.commit()) return failure(file.errorString());
    return std::nullopt;
}

std::optional<QString> ReadFileInPieces(const QString& path,
                                        const std::function<void(QByteArrayView)>& consume) {
    const auto failure = [&path](const QString& reason) {
        return QStringLiteral("Can not read file %1 : %2").arg(FileName(path), reason);
    };
    if (QFileInfo(path).isDir()) return failure(QStringLiteral("it is a folder"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failure(file.errorString());
    for (;;) {
        const QByteArray piece = file.read(PieceSize);
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError) return failure(file.errorString());
            return std::nullopt;
        }
        consume(piece);
    }
}

QString PrintableExcerpt(QByteArrayView bytes) {
    // Our files are ASCII: any other byte is junk, shown as '?' like a control character.
    QByteArray ascii = bytes.first(qMin(bytes.size(), ExcerptLength + 1)).toByteArray();
    for (char& c : ascii)
        if (static_cast<unsigned char>(c) > 0x7E) c = '\x01';
    return Excerpt(QString::fromLatin1(ascii), int(ExcerptLength));
}

} // namespace vrx
