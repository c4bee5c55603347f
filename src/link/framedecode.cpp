// Taking frames apart for people.
#include "framedecode.h"

#include "framecodec.h"
#include "mbap.h"

#include <QCoreApplication>

namespace vrx {

namespace {

// The texts of this file, translated under one context.
class FrameDecode {
    Q_DECLARE_TR_FUNCTIONS(vrx::FrameDecode)
};

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int Word(const QByteArray& pdu, qsizetype at) {
    return (quint8(pdu[at]) << 8) | quint8(pdu[at + 1]);
}

QString HexText(int value, int digits) {
    return QStringLiteral("0x") +
           QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString Hex4(int value) {
    return HexText(value, 4);
}

// A read reply's data: its byte count, then that many bytes of whole words.
bool IsReadReplyData(const QByteArray& data) {
    return !data.isEmpty() && quint8(data[0]) == data.size() - 1 && data.size() % 2 == 1;
}

QList<quint16> ReplyWords(const QByteArray& data) {
    QList<quint16> words;
    for (qsizetype i = 1; i + 1 < data.size(); i += 2)
        words << quint16(Word(data, i));
    return words;
}

// What the data of a register function says: the register, the count or the words. Reads of
// input registers (04) are laid out as those of holding registers (03).
void RegisterFields(int function, const QByteArray& data, bool sent, DecodedFrame* frame) {
    switch (function) {
    case 0x03:
    case 0x04:
        if (sent && data.size() == 4) {
            frame->firstRegister = Word(data, 0);
            frame->count = Word(data, 2);
        } else if (!sent && IsReadReplyData(data)) {
            frame->words = ReplyWords(data);
        }
        break;
    case 0x06:
        if (data.size() == 4) {
            frame->firstRegister = Word(data, 0);
            frame->words = {quint16(Word(data, 2))};
        }
        break;
    case 0x10:
        if (data.size() >= 4) {
            frame->firstRegister = Word(data, 0);
            frame->count = Word(data, 2);
        }
        break;
    default:
        break;
    }
}

// The protocol data unit (function and data) in words.
QString Summarize(const QByteArray& pdu, bool sent) {
    const int function = quint8(pdu[0]);
    const QByteArray data = pdu.mid(1);
    if (function & 0x80) return {};
    switch (function) {
    case 0x03:
        if (sent && data.size() == 4)
            return FrameDecode::tr("read %1 x%2").arg(Hex4(Word(data, 0))).arg(Word(data, 2));
        if (!sent && IsReadReplyData(data)) {
            QStringList words;
            for (const quint16 word : ReplyWords(data))
                words << QString::number(word);
            const QString list = words.join(QLatin1Char(' '));
            if (words.size() == 1) return FrameDecode::tr("1 word: %1").arg(list);
            return FrameDecode::tr("%1 words: %2").arg(words.size()).arg(list);
        }
        break;
    case 0x06:
        if (data.size() == 4)
            return FrameDecode::tr("write %1 = %2").arg(Hex4(Word(data, 0))).arg(Word(data, 2));
        break;
    case 0x10:
        if (data.size() >= 4)
            return FrameDecode::tr("write %2 register(s) from %1")
                .arg(Hex4(Word(data, 0)))
                .arg(Word(data, 2));
        break;
    default:
        break;
    }
    return FrameDecode::tr("function %1, %2 data bytes").arg(HexText(function, 2)).arg(data.size());
}

} // namespace

QString ExceptionName(int code) {
    switch (code) {
    case 0x01:
        return FrameDecode::tr("illegal function");
    case 0x02:
        return FrameDecode::tr("illegal data address");
    case 0x03:
        return FrameDecode::tr("illegal data value");
    case 0x04:
        return FrameDecode::tr("server device failure");
    case 0x05:
        return FrameDecode::tr("acknowledge");
    case 0x06:
        return FrameDecode::tr("server device busy");
    case 0x08:
        return FrameDecode::tr("memory parity error");
    case 0x0A:
        return FrameDecode::tr("gateway path unavailable");
    case 0x0B:
        return FrameDecode::tr("gateway target device failed to respond");
    default:
        return FrameDecode::tr("exception %1").arg(HexText(code, 2));
    }
}

namespace {

// The function, and the rest in words.
void DecodePdu(const QByteArray& pdu, bool sent, DecodedFrame* frame) {
    frame->function = quint8(pdu[0]);
    if ((frame->function & 0x80) && pdu.size() >= 2) {
        frame->exception = quint8(pdu[1]);
        frame->summary = FrameDecode::tr("exception %1: %2")
                             .arg(QString::number(*frame->exception, 16)
                                      .toUpper()
                                      .rightJustified(2, QLatin1Char('0')),
                                  ExceptionName(*frame->exception));
        return;
    }
    frame->summary = Summarize(pdu, sent);
    RegisterFields(frame->function, pdu.mid(1), sent, frame);
}

// Transaction, protocol, length and unit, then the PDU; no check of its own: TCP has one.
DecodedFrame DecodeMbap(const QByteArray& bytes, bool sent) {
    DecodedFrame frame;
    frame.kind = FrameKind::Mbap;
    if (bytes.size() < mbap::HeaderSize + 1) {
        frame.summary = FrameDecode::tr("too short for a Modbus TCP frame");
        return frame;
    }
    const int protocol = Word(bytes, 2);
    if (protocol != 0) {
        frame.summary = FrameDecode::tr("not Modbus TCP (protocol id %1)").arg(protocol);
        return frame;
    }
    // The length counts the unit and the PDU.
    const int length = Word(bytes, 4);
    frame.checkGood = length == bytes.size() - (mbap::HeaderSize - 1);
    frame.transaction = Word(bytes, 0);
    frame.address = quint8(bytes[mbap::HeaderSize - 1]);
    // The PDU is what the length says, as far as the bytes go.
    DecodePdu(bytes.mid(mbap::HeaderSize, qMax(1, length - 1)), sent, &frame);
    return frame;
}

} // namespace

DecodedFrame DecodeFrame(const QByteArray& bytes, bool sent, bool mbap) {
    if (mbap) return DecodeMbap(bytes, sent);
    DecodedFrame frame;
    QByteArray body; // address, function, data, check
    if (bytes.startsWith(':')) {
        frame.kind = FrameKind::Ascii;
        QByteArray text = bytes.mid(1);
        while (text.endsWith('\n') || text.endsWith('\r'))
            text.chop(1);
        bool hex = text.size() % 2 == 0;
        for (const char c : text)
            hex = hex && IsHexDigit(c);
        if (!hex) {
            frame.summary = FrameDecode::tr("not a whole ASCII frame");
            return frame;
        }
        body = QByteArray::fromHex(text);
        frame.checkGood =
            body.size() >= 3 && AsciiLrc(':' + text.chopped(2)) == text.right(2).toUpper();
        if (body.size() >= 1) body.chop(1); // the LRC
    } else {
        frame.kind = FrameKind::Rtu;
        frame.checkGood = bytes.size() >= 4 && ModbusCrc(bytes.chopped(2)) == bytes.right(2);
        body = bytes.size() >= 2 ? bytes.chopped(2) : QByteArray();
    }
    if (body.size() < 2) {
        frame.summary = FrameDecode::tr("too short for a frame");
        return frame;
    }
    frame.address = quint8(body[0]);
    DecodePdu(body.mid(1), sent, &frame);
    return frame;
}

QString DescribeFrame(const DecodedFrame& frame) {
    if (frame.address < 0) return frame.summary;
    if (frame.kind == FrameKind::Mbap)
        return FrameDecode::tr("transaction %1, unit %2, %3, length %4")
            .arg(*frame.transaction)
            .arg(frame.address)
            .arg(frame.summary, frame.checkGood ? FrameDecode::tr("good") : FrameDecode::tr("bad"));
    const QString check =
        frame.kind == FrameKind::Ascii ? QStringLiteral("LRC") : QStringLiteral("CRC");
    return FrameDecode::tr("address %1, %2, %3 %4")
        .arg(frame.address)
        .arg(frame.summary, check,
             frame.checkGood ? FrameDecode::tr("good") : FrameDecode::tr("bad"));
}

} // namespace vrx
