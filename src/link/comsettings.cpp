// Packing, the settings file, and turning selections into port parameters.
#include "comsettings.h"

#include "errors.h"
#include "serialport.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <iterator>

namespace vrx {

int PackSettings(const ComSelections& s) {
    return s.comPort + s.baudRate * 10 + s.parity * 100 + s.bitLen * 1000 + s.stopBit * 10000 +
           s.modBus * 50000;
}

ComSelections UnpackSettings(int v) {
    // Division truncates toward zero, so every digit of a negative value is 0 or negative.
    ComSelections s;
    s.modBus = v / 50000;
    s.stopBit = (v % 50000) / 10000;
    int r = (v % 50000) % 10000;
    s.bitLen = r / 1000;
    r %= 1000;
    s.parity = r / 100;
    s.baudRate = (r % 100) / 10;
    s.comPort = (r % 100) % 10;
    return s;
}

int ReadSettingsFile(const QString& path) {
    // A pipe of that name would hold up the start for ever in open().
    if (const auto problem = PlainFileProblem(path)) throw FileError(*problem);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QCoreApplication::translate("vrx::ComSettings", "Cannot read %1: %2")
                            .arg(path, file.errorString()));
    const QByteArray head = file.read(SettingsHeadSize);
    if (file.error() != QFile::NoError)
        throw FileError(QCoreApplication::translate("vrx::ComSettings", "Cannot read %1: %2")
                            .arg(path, file.errorString()));
    return ParseSettingsHead(head, path);
}

int ParseSettingsHead(const QByteArray& head, const QString& path) {
    // The conversion's own message, and which file it came from: at start-up nothing else says.
    const auto notANumber = [&path](const QString& line) {
        return ConvertError(
            line,
            QCoreApplication::translate("vrx::ComSettings", "\nin the settings file %1").arg(path));
    };
    // Enough for any packed value with blanks and a sign around it; a longer first line is not
    // a setting, whatever follows.
    constexpr qsizetype FirstLineLimit = 32;
    qsizetype end = 0;
    while (end < head.size() && head.at(end) != '\n' && head.at(end) != '\r')
        ++end;
    if (end > FirstLineLimit) throw notANumber(QString::fromLatin1(head));
    const QString line = QString::fromLatin1(head.first(end));
    int value = 0;
    try {
        value = StrToInt(line);
    } catch (const ConvertError&) {
        throw notANumber(line);
    }
    if (value < 0 || value > LargestPackedSettings)
        throw Error(QCoreApplication::translate("vrx::ComSettings",
                                                "'%1' in %2 is not a communication setting")
                        .arg(Excerpt(line), path));
    return value;
}

void WriteSettingsFile(const QString& path, int value) {
    // Never truncated in place: a full disk keeps the settings the file held.
    if (const auto failure = SaveWholeFile(path, QByteArray::number(value) + "\r\n"))
        throw FileError(*failure);
}

namespace {
constexpr const auto& Bauds = OfferedBauds;
bool BaudSelected(const ComSelections& s) {
    return s.baudRate >= 0 && s.baudRate < int(std::size(Bauds));
}
} // namespace

LineSettings ToLineSettings(const ComSelections& s) {
    LineSettings line;
    if (BaudSelected(s)) line.baud = Bauds[s.baudRate];
    line.parity = s.parity == 0 ? Parity::None : s.parity == 1 ? Parity::Even : Parity::Odd;
    line.dataBits = s.bitLen + 7;
    line.stopBits = s.stopBit + 1;
    line.framing = IsRtu(s) ? Framing::Rtu : Framing::Ascii;
    return line;
}

LineSettings ToLineSettings(const ComSelections& s, qint32 keptBaud) {
    LineSettings line = ToLineSettings(s);
    if (!BaudSelected(s)) line.baud = keptBaud;
    return line;
}

void ApplySettings(const ComSelections& s, SerialPort& port) {
    const LineSettings line = ToLineSettings(s);
    port.SetComNumber(qint16(s.comPort + 1));
    if (BaudSelected(s)) port.SetBaud(line.baud);
    port.SetParity(line.parity);
    port.SetDataBits(qint16(line.dataBits));
    port.SetStopBits(qint16(line.stopBits));
    port.SetFraming(line.framing);
}

bool IsRtu(const ComSelections& selections) {
    return selections.modBus == 1;
}

std::optional<LineFormat> ParseLineFormat(QStringView text) {
    if (text.size() != 3) return std::nullopt;
    LineFormat format;
    if (text[0] != u'7' && text[0] != u'8') return std::nullopt;
    format.dataBits = text[0].digitValue();
    switch (text[1].toUpper().unicode()) {
    case u'N':
        format.parity = Parity::None;
        break;
    case u'E':
        format.parity = Parity::Even;
        break;
    case u'O':
        format.parity = Parity::Odd;
        break;
    default:
        return std::nullopt;
    }
    if (text[2] != u'1' && text[2] != u'2') return std::nullopt;
    format.stopBits = text[2].digitValue();
    return format;
}

ComSelections SelectionsFor(int com, const LineSettings& s) {
    ComSelections selections;
    selections.comPort = com - 1;
    const auto baud = std::find(std::begin(OfferedBauds), std::end(OfferedBauds), s.baud);
    selections.baudRate =
        baud == std::end(OfferedBauds) ? -1 : int(std::distance(std::begin(OfferedBauds), baud));
    selections.parity = s.parity == Parity::None ? 0 : s.parity == Parity::Even ? 1 : 2;
    selections.bitLen = s.dataBits - 7;
    selections.stopBit = s.stopBits - 1;
    selections.modBus = s.Rtu() ? 1 : 0;
    return selections;
}

QString LineFormatText(const LineSettings& s) {
    const QChar parity = s.parity == Parity::None ? u'N' : s.parity == Parity::Even ? u'E' : u'O';
    return QString::number(s.dataBits) + parity + QString::number(s.stopBits);
}

QString LineSettingsText(const LineSettings& s) {
    return QStringLiteral("%1 %2 %3")
        .arg(s.baud)
        .arg(LineFormatText(s), s.Rtu() ? QStringLiteral("RTU") : QStringLiteral("ASCII"));
}

int RtuSilenceTicks(const LineSettings& s) {
    return s.baud <= 4800 ? 2 : 1;
}

} // namespace vrx
