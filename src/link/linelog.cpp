// Formatting the traffic log.
#include "linelog.h"

#include "clock.h"
#include "traffic.h"

#include <QDateTime>

namespace vrx {

Q_LOGGING_CATEGORY(lcLine, "vrx.line", QtInfoMsg)

namespace {

bool IsAsciiFrame(const QByteArray& bytes) {
    if (!bytes.startsWith(':')) return false;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 || u > 0x7E) && c != '\r' && c != '\n') return false;
    }
    return true;
}

} // namespace

QString LineLog::Describe(const QByteArray& bytes) {
    QString text = QString::fromLatin1(bytes.toHex(' ').toUpper());
    if (IsAsciiFrame(bytes)) {
        QByteArray shown = bytes;
        shown.replace("\r", "\\r").replace("\n", "\\n");
        text += QStringLiteral("  \"%1\"").arg(QString::fromLatin1(shown));
    }
    return text;
}

void LineLog::Sent(int com, const QByteArray& bytes) {
    EndReceived(com);
    Write(com, "sent", bytes, Clock::Current().Micros());
}

void LineLog::Received(int com, const QByteArray& bytes) {
    if (received_.isEmpty()) receivedMicros_ = Clock::Current().Micros();
    received_.append(bytes);
    if (received_.endsWith('\n')) EndReceived(com);
}

void LineLog::EndReceived(int com) {
    if (received_.isEmpty()) return;
    Write(com, "received", received_, receivedMicros_);
    received_.clear();
}

void LineLog::Write(int com, const char* direction, const QByteArray& bytes, qint64 atMicros) {
    const qint64 sinceMs = lastMicros_ < 0 ? 0 : (atMicros - lastMicros_) / 1000;
    lastMicros_ = atMicros;
    TrafficFeed::Instance().Add({QDateTime::currentMSecsSinceEpoch(), sinceMs, com,
                                 qstrcmp(direction, "sent") == 0, bytes, endpoint_});
    if (!Enabled()) return;
    const QString port = endpoint_.isEmpty() ? QStringLiteral("COM%1").arg(com)
                                             : QStringLiteral("COM%1 (%2)").arg(com).arg(endpoint_);
    qCDebug(lcLine).noquote() << QStringLiteral("%1 %2 +%3 ms: %4")
                                     .arg(port)
                                     .arg(QString::fromLatin1(direction))
                                     .arg(sinceMs)
                                     .arg(Describe(bytes));
}

} // namespace vrx
