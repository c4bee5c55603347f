// The command tester's reply in values.
#include "testerreply.h"

#include "framecodec.h"
#include "framedecode.h"
#include "parameterboxes.h"
#include "registerdisplay.h"
#include "registers.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>

namespace vrx {

namespace {

// The texts of this file, translated under one context.
class TesterReply {
    Q_DECLARE_TR_FUNCTIONS(vrx::TesterReply)
};

QString Hex4(int value) {
    return QString::number(value & 0xFFFF, 16).toUpper().rightJustified(4, u'0');
}

constexpr int ReadHolding = 0x03;
constexpr int ReadInput = 0x04;
constexpr int WriteSingle = 0x06;
constexpr int WriteMultiple = 0x10;

// The parameter box that shows a register; the process value is a "process" value as the set
// value is, and scaled alike.
const EditBoxInfo* BoxOf(int reg) {
    if (reg == reg::ProcessValue) reg = reg::SetValue;
    for (const EditBoxInfo& box : EditBoxes())
        if (box.reg == reg) return &box;
    return nullptr;
}

// A word in tenths as the Monitor shows its register, with one decimal.
std::optional<QString> TenthsOf(int reg, int word) {
    if (!RegisterHoldsTenths(reg)) return std::nullopt;
    if (BoxOf(reg)->format == TextFormat::UnsignedTenths) return IntegralOffsetText(word);
    return TenthsToText(word, true);
}

// The first register the read asked for, when the reply answers that read.
int ReadRegister(const QByteArray& request, const DecodedFrame& reply) {
    const DecodedFrame asked = DecodeFrame(request, true);
    if (asked.function != reply.function || asked.address != reply.address) return -1;
    return asked.firstRegister;
}

// A table in text: a heading and the rows, every column as wide as its widest cell, the
// registers to the left and the numbers right-aligned under their heading.
QStringList Table(const QList<QStringList>& rows) {
    const qsizetype columns = rows.first().size();
    QList<qsizetype> widths(columns, 0);
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], row.at(c).size());
    QStringList lines;
    for (const QStringList& row : rows) {
        QStringList cells;
        cells << row.first().leftJustified(widths.first());
        for (qsizetype c = 1; c < columns; ++c)
            cells << row.at(c).rightJustified(widths[c]);
        QString line = cells.join(QStringLiteral("  "));
        while (line.endsWith(u' '))
            line.chop(1);
        lines << line;
    }
    return lines;
}

QStringList ReadLines(int firstRegister, bool holding, const QList<quint16>& words) {
    QList<QStringList> rows{{TesterReply::tr("REGISTER"), TesterReply::tr("DECIMAL"),
                             TesterReply::tr("HEX"), TesterReply::tr("SIGNED"),
                             TesterReply::tr("TENTHS")}};
    bool anyTenths = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const int word = words.at(i);
        // Without its read the reply does not say which registers it holds: the words are
        // numbered instead.
        const int reg = firstRegister < 0 ? -1 : firstRegister + int(i);
        // The controller's map is one of holding registers.
        const auto tenths = holding && reg >= 0 ? TenthsOf(reg, word) : std::nullopt;
        anyTenths = anyTenths || tenths.has_value();
        rows << QStringList{reg < 0 ? QStringLiteral("#%1").arg(i + 1) : Hex4(reg),
                            QString::number(word), Hex4(word), WordToSignedText(word),
                            tenths.value_or(QString())};
    }
    if (!anyTenths)
        for (QStringList& row : rows)
            row.removeLast();
    return Table(rows);
}

} // namespace

bool RegisterHoldsTenths(int reg) {
    const EditBoxInfo* box = BoxOf(reg);
    // The coefficient is typed with decimals of its own: it holds hundredths.
    return box && box->tenths && box->format != TextFormat::Hundredths;
}

QStringList ReplyValueLines(const QByteArray& request, const QByteArray& reply) {
    const DecodedFrame frame = DecodeFrame(reply, false);
    if (frame.address < 0) return {};
    if (!frame.checkGood) {
        const QString check =
            frame.kind == FrameKind::Ascii ? QStringLiteral("LRC") : QStringLiteral("CRC");
        return {TesterReply::tr("%1 wrong: the reply was damaged on the line").arg(check)};
    }
    if (frame.exception) return {frame.summary};
    switch (frame.function) {
    case ReadHolding:
    case ReadInput:
        if (frame.words.isEmpty()) break;
        return ReadLines(ReadRegister(request, frame), frame.function == ReadHolding, frame.words);
    case WriteSingle:
        if (frame.words.isEmpty()) break;
        return {TesterReply::tr("written: %1 = %2")
                    .arg(Hex4(frame.firstRegister), Hex4(frame.words.first()))};
    case WriteMultiple:
        if (frame.count < 0) break;
        return {TesterReply::tr("written: %1 words from %2")
                    .arg(frame.count)
                    .arg(Hex4(frame.firstRegister))};
    case 0x05:
    case 0x0F:
        return {TesterReply::tr("written")};
    default:
        break;
    }
    return {frame.summary};
}

} // namespace vrx
