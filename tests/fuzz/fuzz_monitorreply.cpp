// Fuzzing the Monitor's reply handling: the reply-end rule, the judgement of the frame it
// delimits, and the display of whatever words a good reply carries.
//
// Input: byte 0 chooses the framing (bit 0: RTU) and the request (bits 1-2: status read,
// settings read, write); byte 1 is the station address; the rest is what came down the line.
#include "framecodec.h"
#include "monitorreply.h"
#include "registerdisplay.h"
#include "replyend.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace vrx;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool rtu = (data[0] & 1) != 0;
    const int kind = (data[0] >> 1) % 3;
    const int address = data[1];
    QByteArray request = kind == 0   ? ReadRequest(address, 0x4725, 7)
                         : kind == 1 ? ReadRequest(address, 0x4713, 8)
                                     : WriteRequest(address, 0x4701, 250);
    if (rtu) request = AsciiToRtu(request);
    const QByteArray received(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    // As the engine does: a complete frame is judged on its own, anything else as it stands
    // when the silence or the time-out ends it.
    const ReplyEnd end = FindReplyEnd(received, request, rtu);
    const QByteArray frame =
        end.state == ReplyEndState::Complete ? received.first(end.length) : received;
    const MonitorReply judged = JudgeReply(frame, request, address, rtu);
    (void)ResultText(judged.errorCode);
    if (judged.verdict != ReplyVerdict::Words) return 0;

    const ReplyWordArray& w = judged.words;
    SettingsContext context;
    context.decimalPoint = w[0] & 3;
    context.setValue = qint16(w[1]);
    context.firmwareWord = w[5];
    for (int phase = 3; phase <= 9; ++phase)
        (void)DecodeSettingsBlock(phase, w, context);
    for (int point = 0; point <= 1; ++point)
        (void)FormatProcessValue(w[0], point, w[2] % 20 - 1);
    (void)StatusText(w[0]);
    (void)LampsOf(w[3]);
    (void)ProgramStatusText(w, qint16(w[1]), w[0] & 3, w[5] % 20 - 1);
    (void)CoeffText(w[5]);
    (void)FirmwareCaption(QStringLiteral("Firmware Version"), w[5]);
    return 0;
}
