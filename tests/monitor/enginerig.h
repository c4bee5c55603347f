// A polling engine on a recording fake line and a manual clock, with a small stand-in for the
// controllers that answers what the engine asked, so a test sees every byte both ways.
#pragma once

#include "askedrequest.h"
#include "comsettings.h"
#include "errorlog.h"
#include "fakeline.h"
#include "framecodec.h"
#include "frames.h"
#include "manualtime.h"
#include "openline.h"
#include "pollengine.h"
#include "serialport.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace vrx::test {

class EngineRig {
public:
    explicit EngineRig(bool rtu, int baudIndex = 2) {
        qputenv("VRX_COM1", "sim");
        settings.modBus = rtu ? 1 : 0;
        settings.bitLen = rtu ? 1 : settings.bitLen;
        settings.baudRate = baudIndex;
        engine.SetLineSettings(ToLineSettings(settings));
        opened = OpenLine(line, PollEngine::LineTool, settings);
        engine.ResetMonitor();
        QObject::connect(&engine, &PollEngine::errorReported, &engine,
                         [this](const QString& text) { errors << text; });
        // As the window says it.
        QObject::connect(&engine, &PollEngine::lineFailed, &engine,
                         [](const QString& text) { ShowGeneralError(text); });
    }

    bool Rtu() const { return settings.modBus == 1; }
    FakeLine* Line() const { return lines.last.data(); }
    const QList<QByteArray>& Sent() const { return Line()->written; }
    qsizetype SentCount() const { return Line() ? Line()->written.size() : 0; }
    Asked Last() const { return ParseRequest(Sent().last(), Rtu()); }
    // "address:register" of a request, as the sequences are written.
    static QString Label(const Asked& a) {
        return QStringLiteral("%1:%2").arg(a.address).arg(a.reg, 4, 16, QLatin1Char('0')).toUpper();
    }

    // Bytes from the far end, delivered through the event loop.
    void Reply(const QByteArray& bytes) {
        Line()->Reply(bytes);
        clock.Run(0);
    }
    // A reply in the framing in force, from its ASCII form.
    void ReplyFrame(const QByteArray& ascii) { Reply(Rtu() ? vrx::AsciiToRtu(ascii) : ascii); }
    void Run(qint64 ms) { clock.Run(ms); }

    // The controllers' registers by address; unset registers read 0, and 0x4729 reads 1 (no
    // change of settings on the controller's side).
    int Register(int address, int reg) const {
        const auto station = registers.constFind(address);
        if (station != registers.constEnd() && station->contains(reg)) return station->value(reg);
        return reg == 0x4729 ? 1 : 0;
    }
    // The reply a controller gives to the last request: its words, or the echo of a write.
    QByteArray AnswerTo(const Asked& a) const {
        if (a.function == 0x06) return AsciiFrame(a.address, 0x06, Hex(a.reg) + Hex(a.value));
        QList<int> words;
        for (int i = 0; i < a.value; ++i)
            words << Register(a.address, a.reg + i);
        return AsciiWordsReply(a.address, words);
    }
    // Answers the last request, as the controllers would; returns its label.
    QString Serve() {
        const Asked a = Last();
        if (refusing.contains(a.address))
            ReplyFrame(AsciiException(a.address, a.function, refusing.value(a.address)));
        else if (!silent.contains(a.address))
            ReplyFrame(AnswerTo(a));
        return Label(a);
    }
    // Serves n requests in turn; the labels of the requests served.
    QStringList Serve(int n) {
        QStringList labels;
        for (int i = 0; i < n; ++i)
            labels << Serve();
        return labels;
    }
    static QByteArray Hex(int word) { return ByteToHex(word >> 8) + ByteToHex(word); }

    ManualTime clock{55 * 1000};
    FakeLineFactory lines;
    ComSelections settings;
    LineOwner line;
    SerialPort& port = line.Port();
    PollEngine engine{line};
    ErrorLog general;
    QStringList errors;
    QHash<int, QHash<int, int>> registers;
    QSet<int> silent;
    // Addresses that answer every request with an exception of the given code.
    QHash<int, int> refusing;
    bool opened = false;
};

} // namespace vrx::test
