// LineQueue: the requests that wait for one line, the one out on it, and the end of its reply.
#pragma once

#include "clock.h"
#include "request.h"
#include "serialport.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <optional>

namespace vrx {

class LineOwner;

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

// The order in which waiting requests take the line: a recording's cycle first, then a
// transfer, then the tester's, then those of other masters that share the line; within a class,
// in the order they came. One exception lets other masters wait no longer than one of the
// cycle's exchanges: a Shared request goes before a waiting Cycle one when the one just ended
// was the cycle's and the cycle says it has time for it (Ask::sharedBefore).
enum class RequestPriority { Cycle, Transfer, Tester, Shared };

// Every user of a line puts its requests here; they go out one at a time, and each reply (or
// time-out, or the line's loss) goes back to the request it answers, and only to it, as a
// parameter. One request is out at a time per line, so no reply is ever taken for another's.
// Bytes still unread when a request goes out answer none of it and are thrown away.
class LineQueue : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,     // nothing out: the next request goes out as soon as it comes
        Sending,  // a request's bytes are being handed to the line
        Awaiting, // a request is out and its reply awaited
        Gap,      // the silence kept after a request before the next goes out
    };
    static constexpr int ReplyLimit = SerialPort::BufferSize;
    using Answer = std::function<void(const Reply&)>;

    // What waits for the line: the request, the framing it goes out in and its reply ends by,
    // the reply-end rule, the time-out and the class.
    struct Ask {
        Request request;
        Framing framing = Framing::Ascii;
        ReplyEndPolicy policy = ReplyEndPolicy::FrameEnd;
        ReplyTiming timing;
        RequestPriority priority = RequestPriority::Cycle;
        // The request as it goes on the wire in `framing`: framed once, by Submit when empty,
        // and then only carried (the log, the port and the reply's end all need it).
        QByteArray frame;
        // For whom, when not the program itself: a master of the shared line, as the traffic
        // log names it.
        QString origin;
        // A Shared request: how long its exchange takes on the line at the least (0: not
        // known; it never goes before a Cycle request then).
        int lineMs = 0;
        // A Cycle request: the Clock millisecond by which a Shared request that goes before it
        // must have ended (unset: none goes before it).
        std::optional<quint32> sharedBefore;
    };

    explicit LineQueue(LineOwner& line, QObject* parent = nullptr);

    // Puts the request in line and returns its number; it goes out at once when nothing else
    // is out or waits before it. `answer` is called once, with the outcome, unless the request
    // is cancelled first or `requester` is gone. Throws PortError when the request would go out
    // at once and the line refuses it; it is then not kept.
    quint64 Submit(const Ask& ask, QObject* requester, Answer answer);
    // The requester no longer wants the reply. A waiting request never goes out; the one out
    // stops being awaited and the line is free at once: a reply that still comes answers
    // nothing (Disown keeps the line until it has come).
    void Cancel(quint64 id);
    // The requester no longer wants the reply, but the request is out: it stays out until its
    // reply or time-out, which is given to nobody; the requester is told Freed. A waiting one
    // never goes out and is Freed from the event loop.
    void Disown(quint64 id);

    State CurrentState() const { return state_; }
    // Waiting, out, or disowned and not yet said freed.
    bool Has(quint64 id) const;
    bool IsOut(quint64 id) const { return out_ && out_->id == id; }
    qsizetype WaitingCount() const { return qsizetype(waiting_.size()); }
    // The bytes taken for the request out (or the last one) since it went out, and the ms from
    // its send to the last of them (-1 while none came).
    const QByteArray& Received() const { return received_; }
    qint64 LastByteMs() const { return lastByteMs_; }

    // The silence kept after each request ends before the next goes out; none by default: the
    // next request goes out as soon as the previous one ends.
    void SetGap(int ms) { gapMs_ = ms; }

    // The line went away: the request out and every waiting one end as LineLost. The line's
    // owner says so before it tells the tools.
    void LineLost();

signals:
    // Bytes came while the line is held, awaited or not.
    void bytesReceived(const QByteArray& chunk);

private:
    struct Entry {
        quint64 id = 0;
        Ask ask;
        QPointer<QObject> requester;
        Answer answer;
        bool disowned = false;
    };

    void Enqueue(Entry entry);
    // The waiting request that goes next: the first, or a Shared one the cycle has time for.
    std::deque<Entry>::iterator NextWaiting();
    // Sends the first waiting request while the line is idle; one the line refuses ends as
    // NotSent and the next is tried.
    void Pump();
    void SendOut(Entry entry);
    // A request out on a port that has closed under it since: nothing can answer it any more.
    void DropDeadOut();
    void OnNotify(PortEvent kind, quint16 id, quint16 count);
    void TakeBytes();
    void Expired();
    void Arm(int ticks, bool activate);
    // An RTU reply that has begun and paused: true when it is awaited on, until its frame time.
    bool AwaitRestOfFrame();
    // Ends the request out with `kind` (Freed when it was disowned) and hands the reply back.
    void Finish(ReplyKind kind, const QByteArray& frame);
    void Deliver(const Entry& entry, const Reply& reply);
    void Rest();
    qint64 MsSinceSend() const;

    LineOwner& line_;
    State state_ = State::Idle;
    std::deque<Entry> waiting_;
    // Disowned before they went out: Freed from the event loop.
    std::deque<Entry> freeing_;
    std::optional<Entry> out_;
    quint64 lastId_ = 0;
    quint16 timerId_ = 0;
    // The request out as it went on the wire: its reply's end is judged against it.
    QByteArray sent_;
    QByteArray received_;
    quint32 sentAt_ = 0;
    qint64 lastByteMs_ = -1;
    int gapMs_ = 0;
    ClockTimer gap_;
    // The class of the last request that went out.
    RequestPriority lastOut_ = RequestPriority::Cycle;
};

} // namespace vrx
