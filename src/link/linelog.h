// The traffic log: every frame a port sends and receives, as hex, through the logging category
// "vrx.line" (off unless QT_LOGGING_RULES="vrx.line=true"), and into the traffic feed that the
// traffic window shows.
#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

namespace vrx {

Q_DECLARE_LOGGING_CATEGORY(lcLine)

// One port's log. A sent frame is one entry; received bytes, which come in chunks, are gathered
// into one entry that ends at an LF, at the next send, at a reply time-out or at the close. Each
// entry carries the milliseconds since the previous one.
class LineLog {
public:
    static bool Enabled() { return lcLine().isDebugEnabled(); }

    // com is the port's number. Nothing is formatted while the log is off: these run for every
    // frame and every chunk of bytes, and only hand the frame to the traffic feed.
    void Sent(int com, const QByteArray& bytes);
    void Received(int com, const QByteArray& bytes);
    // The received frame so far is complete (a time-out, the close).
    void EndReceived(int com);

    // A network line's endpoint, shown after the port ("COM1 (tcp 10.0.0.7:4001)"); empty for
    // a serial line.
    void SetEndpoint(const QString& endpoint) { endpoint_ = endpoint; }

    // How an entry's bytes read: hex pairs, and the text when it is an ASCII frame.
    static QString Describe(const QByteArray& bytes);

private:
    void Write(int com, const char* direction, const QByteArray& bytes, qint64 atMicros);

    QString endpoint_;
    QByteArray received_;
    qint64 receivedMicros_ = 0;
    qint64 lastMicros_ = -1;
};

} // namespace vrx
