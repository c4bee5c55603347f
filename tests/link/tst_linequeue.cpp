// The line's queue: several users' requests in turn on one line, each answer to its own
// request, on a fake line and a manual clock.
#include "errorlog.h"
#include "fakeline.h"
#include "framecodec.h"
#include "lineowner.h"
#include "manualtime.h"
#include "portnotes.h"

#include <QTest>

using namespace vrx;
using namespace vrx::test;

namespace {

constexpr int Tick = SerialPort::TickMs;

// The ASCII reply of `station` to a two-register read.
QByteArray ReplyOf(int station) {
    const QByteArray text = ':' + ByteToHex(station) + "030400FA012C";
    return text + AsciiLrc(text) + "\r\n";
}

const char* KindName(ReplyKind kind) {
    switch (kind) {
    case ReplyKind::Replied:
        return "replied";
    case ReplyKind::TimedOut:
        return "timed out";
    case ReplyKind::LineLost:
        return "line lost";
    case ReplyKind::Freed:
        return "freed";
    case ReplyKind::NotSent:
        return "not sent";
    }
    return "?";
}

// A line held by one tool, whose queue two users ("A" and "B") put requests in.
struct Bench {
    Bench() {
        qputenv("VRX_COM1", "sim");
        line.Open(QStringLiteral("A"), 1, LineSettings{});
    }
    // Station `station`'s read by `user`; each answer is noted as "user station: kind frame".
    quint64 Ask(QObject& user, int station, RequestPriority priority, int replyTicks = 36) {
        const LineQueue::Ask ask{Request::Read(station, 0x4700, 2),
                                 Framing::Ascii,
                                 ReplyEndPolicy::FrameEnd,
                                 ReplyTiming{replyTicks, 0, 36},
                                 priority,
                                 {},
                                 {},
                                 0,
                                 {}};
        return line.Queue().Submit(ask, &user, [this, &user, station](const Reply& reply) {
            QCOMPARE(reply.request, Request::Read(station, 0x4700, 2));
            answers << QStringLiteral("%1 %2: %3 %4")
                           .arg(user.objectName())
                           .arg(station)
                           .arg(QString::fromLatin1(KindName(reply.kind)),
                                QString::fromLatin1(reply.frame.trimmed()));
        });
    }
    // The stations whose requests went out, in order.
    QList<int> SentTo() const {
        QList<int> stations;
        for (const QByteArray& frame : lines.last->written)
            stations << HexToByte(frame.at(1), frame.at(2));
        return stations;
    }
    void Answer(int station) {
        clock.Run(10);
        lines.last->Reply(ReplyOf(station));
        clock.Run(0);
    }

    FakeLineFactory lines;
    ManualTime clock;
    ErrorLog errors;
    LineOwner line;
    QObject a;
    QObject b;
    QStringList answers;
};

QString Answered(const char* user, int station, const char* kind, int replied = 0) {
    return QStringLiteral("%1 %2: %3 %4")
        .arg(QString::fromLatin1(user))
        .arg(station)
        .arg(QString::fromLatin1(kind),
             replied ? QString::fromLatin1(ReplyOf(replied).trimmed()) : QString());
}

} // namespace

class TestLineQueue : public QObject {
    Q_OBJECT

private slots:
    void init() { ForgetComDevices(); }

    // Requests that come while one is out wait, and go out by class and then in the order
    // they came; every reply goes to the request it answers.
    void usersTakeTurnsByClass() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.b.setObjectName("B");
        bench.Ask(bench.b, 1, RequestPriority::Tester);
        QCOMPARE(bench.line.Queue().CurrentState(), LineQueue::State::Awaiting);
        bench.Ask(bench.b, 2, RequestPriority::Shared);
        bench.Ask(bench.a, 3, RequestPriority::Transfer);
        bench.Ask(bench.b, 4, RequestPriority::Tester);
        bench.Ask(bench.a, 5, RequestPriority::Cycle);
        QCOMPARE(bench.SentTo(), QList<int>{1});
        QCOMPARE(bench.line.Queue().WaitingCount(), 4);
        for (const int station : {1, 5, 3, 4, 2})
            bench.Answer(station);
        QCOMPARE(bench.SentTo(), (QList<int>{1, 5, 3, 4, 2}));
        QCOMPARE(bench.answers,
                 (QStringList{Answered("B", 1, "replied", 1), Answered("A", 5, "replied", 5),
                              Answered("A", 3, "replied", 3), Answered("B", 4, "replied", 4),
                              Answered("B", 2, "replied", 2)}));
        QCOMPARE(bench.line.Queue().CurrentState(), LineQueue::State::Idle);
    }

    // The time-out goes to its own requester with what came; the next request goes out at
    // once and its reply is its own.
    void timeOutToItsOwnRequester() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.b.setObjectName("B");
        bench.Ask(bench.a, 1, RequestPriority::Cycle, 2);
        bench.Ask(bench.b, 2, RequestPriority::Tester);
        bench.clock.Run(10);
        bench.lines.last->Reply(":0103");
        bench.clock.Run(3 * Tick);
        QCOMPARE(bench.answers, QStringList{"A 1: timed out :0103"});
        QCOMPARE(bench.SentTo(), (QList<int>{1, 2}));
        bench.Answer(2);
        QCOMPARE(bench.answers.size(), 2);
        QCOMPARE(bench.answers.last(), Answered("B", 2, "replied", 2));
    }

    // A line that goes away ends the request out and every waiting one, each told once, and
    // nothing of them goes out when the line is back.
    void lineLossFailsOutAndWaiting() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.b.setObjectName("B");
        bench.Ask(bench.a, 1, RequestPriority::Cycle);
        bench.Ask(bench.b, 2, RequestPriority::Tester);
        bench.Ask(bench.a, 3, RequestPriority::Transfer);
        emit bench.lines.last->lost(QStringLiteral("gone"));
        bench.clock.Run(LineOwner::RetryMs);
        QCOMPARE(bench.answers,
                 (QStringList{Answered("A", 1, "line lost"), Answered("A", 3, "line lost"),
                              Answered("B", 2, "line lost")}));
        QVERIFY(bench.line.Holds(QStringLiteral("A")));
        QCOMPARE(bench.line.Queue().WaitingCount(), 0);
        QVERIFY(bench.lines.last->written.isEmpty());
        bench.clock.Run(40 * Tick);
        QCOMPARE(bench.answers.size(), 3);
    }

    // A cancelled waiting request never goes out and is never answered; one cancelled while
    // out frees the line for the next at once.
    void cancelledRequests() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.b.setObjectName("B");
        const quint64 first = bench.Ask(bench.a, 1, RequestPriority::Cycle);
        const quint64 waiting = bench.Ask(bench.b, 2, RequestPriority::Tester);
        bench.Ask(bench.b, 3, RequestPriority::Tester);
        bench.line.Queue().Cancel(waiting);
        QVERIFY(!bench.line.Queue().Has(waiting));
        bench.line.Queue().Cancel(first);
        QCOMPARE(bench.SentTo(), (QList<int>{1, 3}));
        bench.Answer(3);
        bench.clock.Run(40 * Tick);
        QCOMPARE(bench.answers, QStringList{Answered("B", 3, "replied", 3)});
    }

    // A disowned request keeps the line until its reply: the reply goes to nobody, its
    // requester hears only that it ended, and the next request goes out after it.
    void disownedReplyGoesToNobody() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.b.setObjectName("B");
        const quint64 first = bench.Ask(bench.a, 1, RequestPriority::Cycle);
        bench.Ask(bench.b, 2, RequestPriority::Tester);
        bench.line.Queue().Disown(first);
        QVERIFY(bench.line.Queue().Has(first));
        QCOMPARE(bench.SentTo(), QList<int>{1});
        bench.Answer(1);
        QCOMPARE(bench.answers, QStringList{Answered("A", 1, "freed")});
        QCOMPARE(bench.SentTo(), (QList<int>{1, 2}));
        bench.Answer(2);
        QCOMPARE(bench.answers.last(), Answered("B", 2, "replied", 2));

        // One disowned while it waits never goes out; its end is said from the event loop.
        bench.Ask(bench.a, 3, RequestPriority::Cycle);
        const quint64 waiting = bench.Ask(bench.b, 4, RequestPriority::Tester);
        bench.line.Queue().Disown(waiting);
        QCOMPARE(bench.answers.size(), 2);
        bench.clock.Run(0);
        QCOMPARE(bench.answers.last(), Answered("B", 4, "freed"));
        bench.Answer(3);
        QCOMPARE(bench.SentTo(), (QList<int>{1, 2, 3}));
        QCOMPARE(bench.line.Queue().CurrentState(), LineQueue::State::Idle);
    }

    // A requester that is gone is answered by nobody; the line goes on with the others.
    void goneRequesterIsNotAnswered() {
        Bench bench;
        bench.b.setObjectName("B");
        {
            QObject gone;
            gone.setObjectName("gone");
            bench.Ask(gone, 1, RequestPriority::Cycle);
        }
        bench.Ask(bench.b, 2, RequestPriority::Tester);
        bench.Answer(1);
        bench.Answer(2);
        QCOMPARE(bench.answers, QStringList{Answered("B", 2, "replied", 2)});
    }

    // A silence kept between requests holds the next one back, and only that long.
    void gapHoldsTheNextRequest() {
        Bench bench;
        bench.a.setObjectName("A");
        bench.line.Queue().SetGap(100);
        bench.Ask(bench.a, 1, RequestPriority::Cycle);
        bench.Ask(bench.a, 2, RequestPriority::Cycle);
        bench.Answer(1);
        QCOMPARE(bench.line.Queue().CurrentState(), LineQueue::State::Gap);
        bench.clock.Run(99);
        QCOMPARE(bench.SentTo(), QList<int>{1});
        bench.clock.Run(1);
        QCOMPARE(bench.SentTo(), (QList<int>{1, 2}));
    }
};

QTEST_GUILESS_MAIN(TestLineQueue)
#include "tst_linequeue.moc"
