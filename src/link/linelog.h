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
// into one entry that ends at an LF, at the next send, at a reply time-out or at the close. On
// a Modbus TCP line an entry is one ADU, ended by the length its header gives. Each entry
// carries the milliseconds since the previous one, and keeps at most TrafficFrame::MaxBytes of
// its bytes (the rest only counted), however long a peer streams without a frame end.
class LineLog {
public:
    static bool Enabled() { return lcLine().isDebugEnabled(); }

    // com is the port's number. Nothing is formatted while the log is off: these run for every
    // frame and every chunk of bytes, and only hand the frame to the traffic feed.
    void Sent(int com, const QByteArray& bytes);
    // The next frame sent, and what is received after it, are for this master of a shared line
    // ("COM1 <- 127.0.0.1:53422"); frames after it without one are the program's own.
    void SetNextOrigin(const QString& origin) { nextOrigin_ = origin; }
    void Received(int com, const QByteArray& bytes);
    // The received frame so far is complete (a time-out, the close).
    void EndReceived(int com);

    // A network line's endpoint, shown after the port ("COM1 (tcp 10.0.0.7:4001)"); empty for
    // a serial line. `mbap`: the line speaks Modbus TCP, its frames are MBAP ADUs.
    void SetEndpoint(const QString& endpoint, bool mbap = false) {
        endpoint_ = endpoint;
        mbap_ = mbap;
    }

    // How an entry's bytes read: hex pairs, and the text when it is an ASCII frame.
    static QString Describe(const QByteArray& bytes);

private:
    void Gather(const QByteArray& bytes);
    // Ends the whole ADUs gathered so far, one entry each.
    void EndAdus(int com);
    void Write(int com, bool sent, const QByteArray& bytes, qint64 dropped, qint64 atMicros);

    QString endpoint_;
    bool mbap_ = false;
    QString origin_;
    QString nextOrigin_;
    QByteArray received_;
    qint64 receivedDropped_ = 0; // received after received_ was full
    qint64 receivedMicros_ = 0;
    qint64 lastMicros_ = -1;
};

} // namespace vrx
