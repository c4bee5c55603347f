// The traffic log's formatting of whatever crosses the line: bytes received in chunks of any
// size, gathered into entries (on a serial or TCP line, and cut into ADUs on a Modbus TCP line)
// and written as hex and, for ASCII frames, as text.
#include "linelog.h"
#include "traffic.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Every entry the log writes: it must be one printable line, whatever the bytes were.
void Check(QtMsgType, const QMessageLogContext&, const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool setUp = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("vrx.line.debug=true"));
        qInstallMessageHandler(Check);
        return true;
    }();
    (void)setUp;
    if (size < 1) return 0;
    // The first byte sets the chunk size, as a line hands bytes over in pieces.
    const size_t chunk = size_t(data[0] % 16) + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const QString described = vrx::LineLog::Describe(bytes);
    // Hex pairs with spaces, and at most the text again with its escapes and quotes.
    if (described.size() > bytes.size() * 3 + bytes.size() * 2 + 4) std::abort();

    vrx::TrafficFeed& feed = vrx::TrafficFeed::Instance();
    for (const bool mbap : {false, true}) {
        feed.Clear();
        const quint64 before = feed.Frames().Added();
        vrx::LineLog log;
        log.SetEndpoint(QStringLiteral("mbtcp 127.0.0.1:502"), mbap);
        log.Sent(1, bytes.left(8));
        for (qsizetype at = 0; at < bytes.size(); at += qsizetype(chunk))
            log.Received(1, bytes.mid(at, qsizetype(chunk)));
        log.EndReceived(1);
        // Every byte received is in one entry, kept or counted, and no entry keeps more than
        // a frame's worth.
        const vrx::TrafficRing& ring = feed.Frames();
        if (ring.Added() - before != quint64(ring.Size())) continue;
        qint64 received = 0;
        for (int i = 0; i < ring.Size(); ++i) {
            if (ring.At(i).bytes.size() > vrx::TrafficFrame::MaxBytes) std::abort();
            if (!ring.At(i).sent) received += ring.At(i).Length();
        }
        if (received != bytes.size()) std::abort();
    }
    return 0;
}
