// Saving through a temporary file, bounded reads of plain files, excerpts for messages.
#include "textfile.h"

#include "errors.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace vrx {

namespace {

constexpr qsizetype ExcerptLength = 20;

QString FileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

QString ReadFailureText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("vrx::TextFile", "Can not read file %1 : %2")
        .arg(FileName(path), reason);
}

QString WriteFailureText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("vrx::TextFile", "Can not write file %1 : %2")
        .arg(FileName(path), reason);
}

std::optional<QString> WriteAllBytes(QIODevice& device, QByteArrayView bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 written = device.write(bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += qsizetype(written);
            continue;
        }
        // Qt reports the system's reason only when a write takes nothing at all; after a short
        // write this second attempt is the one that fails with it.
        const int code = errno;
        const QString text = device.errorString();
        if (code != 0 && (text.isEmpty() || text == QLatin1String("Unknown error")))
            return QString::fromLocal8Bit(std::strerror(code));
        return text;
    }
    return std::nullopt;
}

std::optional<QString> SaveWholeFile(const QString& path, QByteArrayView bytes) {
    return SaveFileBy(path, [&path, bytes](QIODevice& device) -> std::optional<QString> {
        if (const auto reason = WriteAllBytes(device, bytes))
            return WriteFailureText(path, *reason);
        return std::nullopt;
    });
}

std::optional<QString> SaveFileBy(const QString& path, const ContentWriter& write) {
    const auto failure = [&path](const QString& reason) { return WriteFailureText(path, reason); };
    // A folder of that name would otherwise be reported only by the final rename, with a
    // reason that speaks of temporary files; and the rename would put a plain file in place
    // of a device or a pipe.
    const QFileInfo target(path);
    if (target.isDir())
        return failure(QCoreApplication::translate("vrx::TextFile", "a folder has this name"));
    if (target.exists() && !target.isFile())
        return failure(QCoreApplication::translate("vrx::TextFile", "not a plain file"));
    QSaveFile file(path);
    // Unbuffered: in a buffer, a full disk shows only when commit() flushes, and commit() then
    // renames the short file over the old one all the same.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(file.errorString());
    if (auto problem = write(file)) {
        file.cancelWriting();
        return problem;
    }
    if (!file.commit()) return failure(file.errorString());
    return std::nullopt;
}

std::optional<QString> PlainFileProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return QString::fromLatin1(FileMissingText);
    if (info.isDir())
        return ReadFailureText(path,
                               QCoreApplication::translate("vrx::TextFile", "it is a folder"));
    if (!info.isFile())
        return ReadFailureText(path, QCoreApplication::translate(
                                         "vrx::TextFile", "not a plain file (a pipe or a device)"));
    return std::nullopt;
}

PieceRead ReadFileInPieces(const QString& path, qint64 maxBytes,
                           const std::function<bool(QByteArrayView)>& consume) {
    const auto failed = [&path](const QString& reason) {
        return PieceRead{PieceReadEnd::Failed, ReadFailureText(path, reason)};
    };
    if (const auto problem = PlainFileProblem(path)) return {PieceReadEnd::Failed, *problem};
    // Known before a byte is read; the bound below still holds should it grow meanwhile.
    if (QFileInfo(path).size() > maxBytes) return {PieceReadEnd::TooLong, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failed(file.errorString());
    // Put in place of the plain file after it was looked at.
    if (file.isSequential())
        return failed(
            QCoreApplication::translate("vrx::TextFile", "not a plain file (a pipe or a device)"));
    qint64 total = 0;
    for (;;) {
        const QByteArray piece = file.read(qMin(FilePieceSize, maxBytes + 1 - total));
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError) return failed(file.errorString());
            return {PieceReadEnd::Whole, {}};
        }
        total += piece.size();
        if (total > maxBytes) return {PieceReadEnd::TooLong, {}};
        if (!consume(piece)) return {PieceReadEnd::Stopped, {}};
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
