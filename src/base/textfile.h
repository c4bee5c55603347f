// Whole-file saves that never leave half a file behind, reads in pieces, and printable excerpts
// of bad input: what the program's file formats share.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace vrx {

// What the windows say when a file chosen to open is not there.
inline constexpr char FileMissingText[] = "File not exist, Can not open file !";

// Writes bytes as the whole new content of path. They go to a temporary file beside it that is
// renamed over the target only once all of it is on disk, so a failure (no rights, disk full, a
// folder in the way) or an interruption leaves an existing file as it was. Returns the reason to
// show the user, naming the file, or nothing on success.
std::optional<QString> SaveWholeFile(const QString& path, QByteArrayView bytes);

// Hands the file's content to consume piece by piece, so a huge file is never held whole.
// Returns the reason to show the user when the file cannot be opened or read.
std::optional<QString> ReadFileInPieces(const QString& path,
                                        const std::function<void(QByteArrayView)>& consume);

// At most a few characters of bad input, unprintable bytes shown as '?', for a message: a file
// of binary junk must not end up whole in a message box.
QString PrintableExcerpt(QByteArrayView bytes);

} // namespace vrx
