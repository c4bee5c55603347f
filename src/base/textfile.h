// Whole-file saves that never leave half a file behind, bounded reads of plain files only, and
// printable excerpts of bad input: what the program's file formats share.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace vrx {

// What the windows say when a file chosen to open is not there.
inline constexpr char FileMissingText[] =
    QT_TRANSLATE_NOOP("vrx::TextFile", "File not exist, Can not open file !");

// Writes all the bytes to an open device, going on after a short write so that the system's
// own reason for stopping (disk full, file too large, no rights) is what comes back, never
// "Unknown error". Returns that reason, or nothing when every byte was taken.
std::optional<QString> WriteAllBytes(QIODevice& device, QByteArrayView bytes);

// Writes bytes as the whole new content of path. They go to a temporary file beside it that is
// renamed over the target only once all of it is on disk, so a failure (no rights, disk full, a
// folder in the way) or an interruption leaves an existing file as it was. Returns the reason to
// show the user, naming the file, or nothing on success.
std::optional<QString> SaveWholeFile(const QString& path, QByteArrayView bytes);

// The same for content made as it is written (an export too large to hold): write puts all of it
// into the device it is given and returns nothing, or the message to show (WriteFailureText for
// a refused write) to keep the existing file as it was.
using ContentWriter = std::function<std::optional<QString>(QIODevice& device)>;
std::optional<QString> SaveFileBy(const QString& path, const ContentWriter& write);

// "Can not write file NAME : reason" and "Can not read file NAME : reason".
QString WriteFailureText(const QString& path, const QString& reason);
QString ReadFailureText(const QString& path, const QString& reason);

// Why path cannot be read as a file of ours, naming the file: it is missing, a folder, or not a
// plain file (a pipe, a device, a socket). Asked before anything opens it: opening a pipe waits
// for a writer, and a device such as /dev/zero never ends. Nothing when it is a plain file.
std::optional<QString> PlainFileProblem(const QString& path);

// How a read in pieces ended.
enum class PieceReadEnd {
    Whole,   // every byte was handed over
    Stopped, // consume said it had seen enough
    TooLong, // the file holds more than maxBytes; none of it beyond them was read
    Failed,  // not a plain file, or it could not be opened or read: see the reason
};
struct PieceRead {
    PieceReadEnd end = PieceReadEnd::Failed;
    QString reason; // for Failed: the message to show, naming the file
};

// The size of the pieces ReadFileInPieces hands over.
inline constexpr qint64 FilePieceSize = 1024;

// Hands a plain file's content to consume piece by piece, at most maxBytes of it, so a huge
// file is never held whole nor read to its end. consume returns false once the data is
// refused, and no more is read.
PieceRead ReadFileInPieces(const QString& path, qint64 maxBytes,
                           const std::function<bool(QByteArrayView)>& consume);

// At most a few characters of bad input, unprintable bytes shown as '?', for a message: a file
// of binary junk must not end up whole in a message box.
QString PrintableExcerpt(QByteArrayView bytes);

} // namespace vrx
