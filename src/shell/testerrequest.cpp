// Composing the command tester's requests and showing its replies.
#include "testerrequest.h"

#include "errors.h"
#include "framecodec.h"

#include <QCoreApplication>
#include <QtGlobal>

namespace vrx {

namespace {

constexpr std::array<CommandKindInfo, CommandKindCount> Kinds{{
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "Read Register"), "03",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "WORD COUNT"), 3},
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "Write One Word"), "06",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "WRITE DATA"), 4},
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "Write Multi-Words"), "10",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "WORD COUNT"), 1},
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "Read Bits"), "02",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "BIT COUNT"), 2},
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "Write Bit"), "05",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "CONTENT"), 1},
    {QT_TRANSLATE_NOOP("vrx::TesterPanel", "User Define"), "",
     QT_TRANSLATE_NOOP("vrx::TesterPanel", "DATA"), 4},
}};

bool IsUpperHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// A read's WORD COUNT is a number of words, typed in decimal as the Write Multi-Words count is
// (counts 1 to 9 read the same in decimal and in hex); anything else is left out, as a field that
// is not hex is.
QString ReadCount(const QString& text) {
    for (const QChar c : text)
        if (c < u'0' || c > u'9') return {};
    const int words = text.toInt();
    if (words > MaxReadWords)
        throw CountError(
            QCoreApplication::translate("vrx::TesterPanel",
                                        "A read takes at most %1 words: WORD COUNT %2 is too many.")
                .arg(MaxReadWords)
                .arg(text));
    return QString::fromLatin1(ByteToHex(words >> 8) + ByteToHex(words));
}

// Stands in for the LRC and CR LF that AsciiToRtu leaves out, so it takes every pair of the text.
constexpr char CheckPlaceholder[] = "XXXX";

} // namespace

QString PadHex(const QString& text, int width) {
    for (const QChar c : text)
        if (!IsUpperHexDigit(c)) return {};
    return text.size() >= width ? text : QString(width - text.size(), u'0') + text;
}

const CommandKindInfo& CommandKindAt(int index) {
    return Kinds.at(std::size_t(index));
}

std::optional<ComposedRequest> ComposeRequest(const RequestFields& fields) {
    if (fields.address.isEmpty() || fields.kind < 0 || fields.kind >= CommandKindCount ||
        fields.funcAddr.isEmpty() || fields.dataLen.isEmpty())
        return std::nullopt;
    const auto kind = CommandKind(fields.kind);

    QString text = PadHex(fields.address, 2);
    if (!fields.rtu) text.prepend(u':');
    text += kind == CommandKind::UserDefine
                ? PadHex(fields.userCmd, 2)
                : QString::fromLatin1(CommandKindAt(fields.kind).function);
    text += PadHex(fields.funcAddr, 4);
    if (kind == CommandKind::WriteBit) {
        // A coil is switched on by FF00 and off by 0000; anything but a lone "0" means on.
        text += fields.dataLen == u"0" ? QStringLiteral("0000") : QStringLiteral("FF00");
    } else if (kind == CommandKind::ReadRegister) {
        text += ReadCount(fields.dataLen);
    } else {
        text += PadHex(fields.dataLen, 4);
    }
    if (kind == CommandKind::WriteMultiWords) {
        // The count field is hex-padded above but read as a decimal word count here; the panel
        // has only eight data words, so a larger count still writes eight.
        const int words = qBound(0, StrToInt(fields.dataLen), WriteWordCount);
        text += QString::fromLatin1(ByteToHex(2 * words));
        for (int i = 0; i < words; ++i)
            text += fields.writeWords[std::size_t(i)];
    }

    ComposedRequest request;
    if (fields.rtu) {
        const QByteArray rtu = AsciiToRtu(':' + text.toLatin1() + CheckPlaceholder);
        request.checkSum = QString::fromLatin1(ByteToHex(quint8(rtu.at(rtu.size() - 2))) +
                                               ByteToHex(quint8(rtu.at(rtu.size() - 1))));
    } else {
        request.checkSum = QString::fromLatin1(AsciiLrc(text.toLatin1()));
    }
    request.sendLine = text + request.checkSum;
    return request;
}

QByteArray RequestBytes(const QString& sendLine, bool rtu) {
    const QByteArray line = sendLine.toLatin1();
    return rtu ? AsciiToRtu(':' + line) : line + "\r\n";
}

QString ReplyText(const QByteArray& reply, bool rtu) {
    return rtu ? QString::fromLatin1(reply.toHex().toUpper()) : QString::fromLatin1(reply);
}

} // namespace vrx
