// RecordSink: the record files of an unattended recording, one for the whole run or one a day,
// kept written through full disks and missing folders.
#pragma once

#include "recordfile.h"

#include <QDate>
#include <QObject>

#include <deque>

namespace vrx {

class RecordSink : public QObject {
    Q_OBJECT
public:
    // `outDir` empty: everything into `out`; else one file a day in `outDir`.
    RecordSink(const Addresses& addresses, int seconds, QString out, QString outDir,
               QObject* parent = nullptr);

    // The file a day's samples go to (before a suffix for one that holds another recording).
    QString PathFor(QDate day) const;
    // Where lines go now, empty while no file is open.
    QString CurrentPath() const { return writer_.IsOpen() ? writer_.Path() : QString(); }

    // The line of a sample stamped on `day`. Lines that cannot be written now wait, in order,
    // and go before the next one when the file can be written again.
    void Write(QDate day, const QByteArray& line);
    // "End" into the open file.
    void End();

    qsizetype Waiting() const { return qsizetype(waiting_.size()); }
    quint64 LinesWritten() const { return written_; }

    // Lines held while the disk is full, at most: a day at one a second.
    static constexpr qsizetype MaxWaiting = 24 * 3600;

signals:
    // One line for the log: a file begun or continued, a failure, writing again.
    void logged(const QString& text);

private:
    bool Open(QDate day);
    void Flush();

    Addresses addresses_;
    int seconds_;
    QString out_;
    QString outDir_;
    RecordWriter writer_;
    QDate day_; // of the open file
    std::deque<std::pair<QDate, QByteArray>> waiting_;
    quint64 written_ = 0;
    quint64 lost_ = 0;
    QString failure_;  // the failure said, until writing works again
    QString saidPath_; // the file last said to be written
};

} // namespace vrx
