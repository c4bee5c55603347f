// The record files the recorder's page links to: which names are the recording's, and which
// file a request's path names. Nothing outside the recording's folder is ever named, however the
// path is spelt.
#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace vrx {

// A request for /files/NAME or /files/NAME.csv.
struct FileLink {
    QString name; // the record file's name, without a folder
    bool csv = false;
    friend bool operator==(const FileLink&, const FileLink&) = default;
};

// The file a request path names, or nothing. The path is taken as it came (percent-encoded);
// after decoding, the name is letters, digits, '.', '-' and '_' only, never begins with '.',
// and is no longer than MaxFileLinkName: no folder, parent or absolute path can be spelt.
std::optional<FileLink> ParseFileLink(QByteArrayView path);
inline constexpr qsizetype MaxFileLinkName = 64;

// The record files of one recording: the day files of --out-dir (2026-03-14.txt, and -2 ... for
// one that held another recording), or the --out file and its -2, -3, ... beside it.
class RecordFileNames {
public:
    RecordFileNames(const QString& out, const QString& outDir);

    QString Folder() const { return folder_; }
    // Whether a name is one of the recording's (its form only).
    bool Matches(const QString& name) const;
    // The path of the named file when it is one of the recording's and a plain file inside the
    // folder (a link leading out of it is refused); else empty.
    QString PathOf(const QString& name) const;

    struct Entry {
        QString name;
        qint64 bytes = 0;
        QDateTime modified;
    };
    // The recording's files in the folder, the newest name first.
    QList<Entry> List() const;

private:
    QString folder_;
    bool daily_ = false;
    QString base_;   // --out: the name before its suffix
    QString suffix_; // --out: ".txt" or empty
};

} // namespace vrx
