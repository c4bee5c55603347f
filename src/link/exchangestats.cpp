// Counting exchanges.
#include "exchangestats.h"

#include <QCoreApplication>

namespace vrx {

namespace {

class ExchangeStatsText {
    Q_DECLARE_TR_FUNCTIONS(vrx::ExchangeStats)
};

QString Ms(qint64 ms) {
    return ms < 0 ? QStringLiteral("-") : ExchangeStatsText::tr("%1 ms").arg(ms);
}

} // namespace

void ExchangeStats::Count(ExchangeOutcome outcome, qint64 ms) {
    ++requests;
    switch (outcome) {
    case ExchangeOutcome::TimedOut:
        ++timeouts;
        return;
    case ExchangeOutcome::CheckError:
        ++checkErrors;
        break;
    case ExchangeOutcome::Exception:
        ++exceptions;
        break;
    case ExchangeOutcome::Answered:
        break;
    }
    ms = qMax<qint64>(0, ms);
    ++timed;
    lastMs = ms;
    totalMs += ms;
    maxMs = qMax(maxMs, ms);
    std::size_t bucket = 0;
    while (bucket < ReplyBucketMs.size() && ms > ReplyBucketMs[bucket])
        ++bucket;
    ++replyBuckets[bucket];
}

QStringList ExchangeStats::Names() {
    return {ExchangeStatsText::tr("Requests"),     ExchangeStatsText::tr("Time-outs"),
            ExchangeStatsText::tr("Check errors"), ExchangeStatsText::tr("Exceptions"),
            ExchangeStatsText::tr("Last reply"),   ExchangeStatsText::tr("Mean reply"),
            ExchangeStatsText::tr("Longest reply")};
}

QStringList ExchangeStats::Values() const {
    return {QString::number(requests),
            QString::number(timeouts),
            QString::number(checkErrors),
            QString::number(exceptions),
            Ms(lastMs),
            Ms(MeanMs()),
            Ms(maxMs)};
}

QString ExchangeStats::Tooltip() const {
    const QStringList names = Names();
    const QStringList values = Values();
    QStringList lines;
    for (qsizetype i = 0; i < names.size(); ++i)
        lines << names[i] + QStringLiteral(": ") + values[i];
    return lines.join(QLatin1Char('\n'));
}

} // namespace vrx
