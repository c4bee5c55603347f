// What the line did for one station or device: requests, how they ended, and how long the
// answers took, as measured where each exchange ended.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace vrx {

enum class ExchangeOutcome {
    Answered,   // a good reply, or a good echo of a write
    TimedOut,   // no reply within the time-out
    CheckError, // a reply with a wrong LRC/CRC, another address or another function
    Exception,  // the controller refused the request with an exception reply
};

struct ExchangeStats {
    qint64 requests = 0;
    qint64 timeouts = 0;
    qint64 checkErrors = 0;
    qint64 exceptions = 0;
    // Response times of the replies that came (answered, refused or garbled), in ms.
    qint64 timed = 0;
    qint64 lastMs = -1;
    qint64 totalMs = 0;
    qint64 maxMs = -1;
    // The timed replies by how long they took: bucket i holds those up to ReplyBucketMs[i] and
    // above the bound before it, the last one those above every bound. A scraper charts their
    // spread over time, which a mean and a maximum hide.
    static constexpr std::array<qint64, 8> ReplyBucketMs{5, 10, 25, 50, 100, 250, 500, 1000};
    std::array<qint64, ReplyBucketMs.size() + 1> replyBuckets{};

    // One request ended so; `ms` is how long its reply took, ignored for a time-out.
    void Count(ExchangeOutcome outcome, qint64 ms);
    void Reset() { *this = {}; }
    // The mean response time, or -1 when no reply has come.
    qint64 MeanMs() const { return timed == 0 ? -1 : (totalMs + timed / 2) / timed; }

    // The figures as name and value pairs, in the order the table and the tooltip show them.
    static QStringList Names();
    QStringList Values() const;
    // Several lines of "name: value", for a tooltip.
    QString Tooltip() const;
};

} // namespace vrx
