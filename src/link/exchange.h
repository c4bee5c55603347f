// Exchange: one request on the line and the wait for its reply.
#pragma once

#include "lineowner.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

namespace vrx {

// One tool's handle on the line it shares with the others: it puts the tool's requests in the
// line's queue, one at a time, and says how each ended: replied (the frame and the time it
// took), timed out, or line lost, each also as one Reply that carries its request. Bytes reach
// it only while its tool holds the line.
class Exchange : public QObject {
    Q_OBJECT
public:
    static constexpr int ReplyLimit = SerialPort::BufferSize;

    Exchange(LineOwner& line, QString tool, QObject* parent = nullptr);
    ~Exchange() override;

    LineOwner& Line() { return line_; }
    const QString& Tool() const { return tool_; }
    bool HoldsLine() const { return line_.Holds(tool_); }
    // The tool's line went away and is being opened again: nothing can be sent meanwhile.
    bool LineDown() const { return line_.Recovering() && line_.Holder() == tool_; }

    // Puts the request (bytes as they go on the wire) on the line and waits for its reply.
    // Throws PortError when the tool does not hold the line or the line refuses the bytes;
    // nothing is then awaited.
    void Send(const QByteArray& request, Framing framing, ReplyEndPolicy policy, ReplyTiming timing,
              RequestPriority priority = RequestPriority::Cycle);
    // The request framed by the line's framing, waiting its turn by its class; the same
    // throws. A request the tool still has on the line is given up for it, as Abandon does.
    // `sharedBefore` as the line's queue takes it (LineQueue::Ask).
    void Send(const vrx::Request& request, ReplyEndPolicy policy, ReplyTiming timing,
              RequestPriority priority = RequestPriority::Cycle,
              std::optional<quint32> sharedBefore = std::nullopt);
    // Stops waiting: a reply that still comes answers nothing.
    void Abandon();
    // The tool no longer wants the reply on the line (what it asked for is gone), but the
    // request is out: the exchange stays outstanding until its reply or time-out, which is
    // then thrown away and announced by freed(). The tool's next request never shares the line
    // with it, so no reply is ever taken for another request's.
    void Disown();

    // A reply is awaited: a request is on the line (or waits for it), which the tool still
    // holds.
    bool Outstanding() const;
    // The last request's bytes as they go on the wire.
    const QByteArray& Request() const { return request_; }
    // The bytes received since the last send.
    const QByteArray& Received() const;
    // Milliseconds from the send to the end of the last exchange that ended.
    qint64 LastElapsedMs() const { return elapsedMs_; }
    // Milliseconds from the send to the last byte that came for the request, or -1 while none
    // came: a reply's own time where only a time-out ends it (the tester's RTU).
    qint64 LastByteMs() const;

signals:
    // The tool's request ended, with how: the same end the signals below say, each once.
    void answered(const vrx::Reply& reply);
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
    void Submit(LineQueue::Ask ask);
    void Answered(const vrx::Reply& reply);
    // The tool's request is the one out on the line.
    bool IsOut() const;

    LineOwner& line_;
    QString tool_;
    // The line's queue, while the line lives: the tool may outlive it.
    QPointer<LineQueue> queue_;
    // The tool's request in the queue; 0 when none.
    quint64 ticket_ = 0;
    QByteArray request_;
    QByteArray received_;
    qint64 elapsedMs_ = 0;
    qint64 lastByteMs_ = -1;
};

} // namespace vrx
