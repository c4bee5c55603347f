// Exchange: one request on the line and the wait for its reply.
#pragma once

#include "lineowner.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace vrx {

// How a reply's end is found, besides the time-out.
enum class ReplyEndPolicy {
    // The reply-end rule: ASCII at its LF; RTU as soon as the length its header gives has come
    // with a good CRC, otherwise at the silence (on a line that keeps gaps; over TCP a reply
    // that never ends by its rule times out). The Monitor and the Recorder end replies so.
    FrameEnd,
    // The command tester's rule: ASCII at its LF; RTU only at the time-out, since the tester
    // shows whatever comes, framed or not, and a user's request may be of any shape.
    TimeOutEnd,
};

// How long a reply may take, in 55 ms ticks: from the send to the first byte, and after each
// byte to the next (0: bytes do not restart the time-out, it runs from the send). An RTU reply
// that has begun (ReplyEnd::begun) is not ended by a silence but awaited whole until
// `frameTicks` after the send: a loaded machine or an adapter may deliver one reply in pieces
// far apart. A network line adds its latency to each.
struct ReplyTiming {
    int replyTicks = 36;
    int silenceTicks = 0;
    int frameTicks = 36;
};

// One tool's exchanges on the line it shares with the others: the request bytes, the reply
// gathered, the reply time-out on the port's clock, and one result: replied (the frame and the
// time it took), timed out, or line lost. Bytes reach it only while its tool holds the line.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int ReplyLimit = SerialPort::BufferSize;

    Exchange(LineOwner& line, QString tool, QObject* parent = nullptr);

    LineOwner& Line() { return line_; }
    const QString& Tool() const { return tool_; }
    bool HoldsLine() const { return line_.Holds(tool_); }
    // The tool's line went away and is being opened again: nothing can be sent meanwhile.
    bool LineDown() const { return line_.Recovering() && line_.Holder() == tool_; }

    // Puts the request (bytes as they go on the wire) on the line and waits for its reply.
    // Throws PortError when the tool does not hold the line or the line refuses the bytes;
    // nothing is then awaited.
    void Send(const QByteArray& request, Framing framing, ReplyEndPolicy policy,
              ReplyTiming timing);
    // Stops waiting: a reply that still comes answers nothing.
    void Abandon();
    // The tool no longer wants the reply on the line (what it asked for is gone), but the
    // request is out: the exchange stays outstanding until its reply or time-out, which is
    // then thrown away and announced by freed(). The tool's next request never shares the line
    // with it, so no reply is ever taken for another request's.
    void Disown();

    // A reply is awaited: a request is on the line, which the tool still holds.
    bool Outstanding() const { return outstanding_ && HoldsLine(); }
    const QByteArray& Request() const { return request_; }
    // The bytes received since the last send.
    const QByteArray& Received() const { return received_; }
    // Milliseconds from the send to the end of the last exchange that ended.
    qint64 LastElapsedMs() const { return elapsedMs_; }
    // Milliseconds from the send to the last byte that came for the request, or -1 while none
    // came: a reply's own time where only a time-out ends it (the tester's RTU).
    qint64 LastByteMs() const { return lastByteMs_; }

signals:
    // Bytes came while the tool holds the line, awaited or not.
    void bytesReceived(const QByteArray& chunk);
    // The reply ended: by its rule, or (RTU) by the silence after it.
    void replied(const QByteArray& frame, qint64 elapsedMs);
    // No reply, or (ASCII) none that ended, within the time-out; `partial` is what came.
    void timedOut(const QByteArray& partial);
    // The line went away under the tool; whatever was awaited is not coming. The line stays the
    // tool's and is tried again until lineRestored() or the tool closes it.
    void lineLost();
    // The lost line is open again for the tool: it may send.
    void lineRestored();
    // A disowned exchange ended: the line is free for the tool's next request.
    void freed();

private:
    void OnNotify(PortEvent kind, quint16 id, quint16 count);
    void TakeBytes();
    void Expired();
    void Arm(int ticks, bool activate);
    // An RTU reply that has begun and paused: true when it is awaited on, until its frame time.
    bool AwaitRestOfFrame();
    // Ends the exchange; false when it was disowned, and freed() has said so instead.
    bool Finish();
    qint64 MsSinceSend() const;

    LineOwner& line_;
    QString tool_;
    quint16 timerId_ = 0;
    QByteArray request_;
    QByteArray received_;
    Framing framing_ = Framing::Ascii;
    ReplyEndPolicy policy_ = ReplyEndPolicy::FrameEnd;
    ReplyTiming timing_;
    bool outstanding_ = false;
    bool disowned_ = false;
    quint32 sentAt_ = 0;
    qint64 elapsedMs_ = 0;
    qint64 lastByteMs_ = -1;
};

} // namespace vrx
