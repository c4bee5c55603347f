// Formatting the traffic log.
#include "linelog.h"

#include "clock.h"
#include "mbap.h"
#include "traffic.h"

#include <QDateTime>

#include <utility>

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

// The length of the ADU at the start of bytes, header included; 0 while its header is not
// whole, -1 when the header cannot be MBAP (then the bytes are gathered as on any line).
qsizetype AduLength(const QByteArray& bytes) {
    if (bytes.size() < mbap::HeaderSize - 1) return 0;
    const auto word = [&](int at) { return (quint8(bytes[at]) << 8) | quint8(bytes[at + 1]); };
    const int length = word(4);
    if (word(2) != 0 || length < 2 || length > mbap::MaxPdu + 1) return -1;
    return mbap::HeaderSize - 1 + length;
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
    origin_ = std::exchange(nextOrigin_, {});
    Write(com, true, bytes, 0, Clock::Current().Micros());
}

void LineLog::Received(int com, const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (received_.isEmpty() && receivedDropped_ == 0) receivedMicros_ = Clock::Current().Micros();
    Gather(bytes);
    if (mbap_) {
        EndAdus(com);
    } else if (bytes.endsWith('\n')) {
        EndReceived(com);
    }
}

void LineLog::Gather(const QByteArray& bytes) {
    const qsizetype room = qMax<qsizetype>(0, TrafficFrame::MaxBytes - received_.size());
    if (bytes.size() > room) {
        // Copied, not shared: the chunk may be the start of a long stream's read block.
        received_.append(bytes.constData(), room);
        receivedDropped_ += bytes.size() - room;
    } else {
        received_.append(bytes);
    }
}

void LineLog::EndAdus(int com) {
    // An ADU is at most 260 bytes: one that fits is never cut by the limit.
    while (receivedDropped_ == 0) {
        const qsizetype length = AduLength(received_);
        if (length <= 0 || received_.size() < length) return;
        Write(com, false, received_.first(length), 0, receivedMicros_);
        received_.remove(0, length);
        if (received_.isEmpty()) return;
        receivedMicros_ = Clock::Current().Micros();
    }
}

void LineLog::EndReceived(int com) {
    if (received_.isEmpty() && receivedDropped_ == 0) return;
    Write(com, false, received_, receivedDropped_, receivedMicros_);
    received_.clear();
    receivedDropped_ = 0;
}

void LineLog::Write(int com, bool sent, const QByteArray& bytes, qint64 dropped, qint64 atMicros) {
    const qint64 sinceMs = lastMicros_ < 0 ? 0 : (atMicros - lastMicros_) / 1000;
    lastMicros_ = atMicros;
    TrafficFeed::Instance().Add({QDateTime::currentMSecsSinceEpoch(), sinceMs, com, sent, bytes,
                                 dropped, endpoint_, mbap_});
    if (!Enabled()) return;
    QString port = endpoint_.isEmpty() ? QStringLiteral("COM%1").arg(com)
                                       : QStringLiteral("COM%1 (%2)").arg(com).arg(endpoint_);
    if (!origin_.isEmpty()) port += QStringLiteral(" <- ") + origin_;
    QString text = Describe(bytes.first(qMin<qsizetype>(bytes.size(), TrafficFrame::MaxBytes)));
    if (dropped > 0) text += QStringLiteral(" ... and %1 bytes more").arg(dropped);
    qCDebug(lcLine).noquote() << QStringLiteral("%1 %2 +%3 ms: %4")
                                     .arg(port)
                                     .arg(QLatin1String(sent ? "sent" : "received"))
                                     .arg(sinceMs)
                                     .arg(text);
}

} // namespace vrx
