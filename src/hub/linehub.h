// LineHub: the line a recording holds, shared with other Modbus masters.
#pragma once

#include "lineowner.h"
#include "servedrequest.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace vrx {

// Each master's requests wait in a queue of their own; the masters take turns, one request of
// theirs on the line at a time. The line's queue puts a recording's cycle first, so a cycle
// never waits for more than the one served exchange that is out. A station that does not
// answer costs the line one time-out; then it rests, answered 0x0B at once, so a master asking
// a silent address cannot starve the others.
class LineHub : public QObject {
    Q_OBJECT
public:
    struct Settings {
        bool writes = false; // 05, 06, 0F, 10 and broadcasts go on the line
        int queueLimit = 16; // requests a master may have waiting; the next is answered busy
        int restMs = 60000;  // how long a silent station is answered 0x0B at once
        ReplyTiming timing;  // the recording's, so the line keeps one pace
    };
    struct Counts {
        quint64 served = 0;     // requests answered
        quint64 exceptions = 0; // of them, answered with an exception (the hub's or a station's)
        int masters = 0;        // connected
        friend bool operator==(const Counts&, const Counts&) = default;
    };
    // An answer for the master, to be written back to it.
    using Answer = std::function<void(const MbapAdu&)>;

    LineHub(LineOwner& line, const Settings& settings, QObject* parent = nullptr);
    ~LineHub() override;

    // A master by its name in the log ("127.0.0.1:53422"); the number it is known by.
    quint64 AddMaster(const QString& name, Answer answer);
    // The master is gone: what it had waiting is dropped, and its request on the line is left
    // to end, answering nobody.
    void RemoveMaster(quint64 master);
    // A request of the master's: answered at once (refused, busy, a resting station) or queued.
    void Take(quint64 master, const MbapAdu& adu);

    const Counts& Tally() const { return counts_; }
    // Requests of the master waiting for the line (not the one out).
    qsizetype WaitingOf(quint64 master) const;

signals:
    // One line for the log: a write that went on the line, with its master.
    void logged(const QString& text);
    void countsChanged();

private:
    struct Master {
        quint64 id = 0;
        QString name;
        Answer answer;
        std::deque<MbapAdu> waiting;
    };
    struct Out {
        quint64 master = 0; // 0: its master left
        quint64 ticket = 0;
        MbapAdu adu;
    };

    Master* Find(quint64 id);
    // The next master's request onto the line, while none is out.
    void Pump();
    // Sends the request, or answers it at once when it cannot go.
    void Send(Master& master, const MbapAdu& adu);
    void Ended(const Reply& reply);
    void Reply(Master& master, const MbapAdu& request, const QByteArray& pdu);
    bool Resting(int unit) const;
    QString WriteText(const Master& master, const MbapAdu& adu, const QByteArray& answer) const;

    LineOwner& line_;
    Settings settings_;
    std::vector<Master> masters_; // in the order they came
    std::size_t turn_ = 0;        // the index of the master whose turn is next
    quint64 lastId_ = 0;
    std::optional<Out> out_;
    std::map<int, qint64> restUntil_; // station → clock ms
    Counts counts_;
};

} // namespace vrx
