// The command tester's arithmetic: padding hex fields, the command kinds, composing a request
// from the field texts, and turning send lines and replies into bytes and texts. No widgets.
#pragma once

#include "errors.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

namespace vrx {

// text with "0"s in front up to width characters when every character is 0-9 or A-F (a longer
// text is kept whole); the empty text when any other character is present. Lowercase is not
// hex here: the tester's edits force uppercase before the text gets this far.
QString PadHex(const QString& text, int width);

// The command kinds, in the order of the tester's command list.
enum class CommandKind {
    ReadRegister,
    WriteOneWord,
    WriteMultiWords,
    ReadBits,
    WriteBit,
    UserDefine
};

struct CommandKindInfo {
    const char* item;           // the text in the command list
    const char* function;       // the function code; empty for User Define, which types its own
    const char* dataLenCaption; // the caption of the count/value field
    int dataLenLimit;           // the length limit of the count/value field
};

inline constexpr int CommandKindCount = 6;
inline constexpr int WriteWordCount = 8;
// The most registers one read request may ask for: what fits a reply's byte count.
inline constexpr int MaxReadWords = 125;

// A count the request cannot carry; the request is refused, not cut to fit.
class CountError : public Error {
public:
    using Error::Error;
};

// The table row of a kind; index is the command list's item index (0 to 5).
const CommandKindInfo& CommandKindAt(int index);

// What the tester's fields hold when a request is composed.
struct RequestFields {
    QString address;  // SCOMAddr
    int kind = -1;    // SCmdBox item index; -1 when nothing is selected
    QString userCmd;  // UserCmd, used by User Define only
    QString funcAddr; // SFunc
    QString dataLen;  // SDataLen
    std::array<QString, WriteWordCount> writeWords; // WriteWords 1 to 8 (index 0 is word 1)
    bool rtu = false;
};

// The send line and the check field the tester shows.
struct ComposedRequest {
    QString sendLine; // ":"-led ASCII text with its LRC, or RTU hex text with its CRC
    QString checkSum; // 2 hex digits (LRC) or 4 (CRC, low byte first)
    friend bool operator==(const ComposedRequest&, const ComposedRequest&) = default;
};

// The request the fields describe, or nothing when address, kind, function address or count
// is missing (the tester then leaves what it shows alone). Fields that are not valid hex are
// left out, and so is a Read Register count that is not a decimal number. Throws ConvertError
// when a Write Multi-Words count is not a decimal number, and CountError when a Read Register
// count is beyond MaxReadWords.
std::optional<ComposedRequest> ComposeRequest(const RequestFields& fields);

// The bytes a send line puts on the line. ASCII: the line as typed plus CR LF; its LRC is the
// user's. RTU: the line's hex pairs without the last four characters (the CRC shown), followed
// by a freshly computed CRC.
QByteArray RequestBytes(const QString& sendLine, bool rtu);

// How a reply is shown: ASCII as the text received, RTU as hex pairs without separators.
QString ReplyText(const QByteArray& reply, bool rtu);

} // namespace vrx
