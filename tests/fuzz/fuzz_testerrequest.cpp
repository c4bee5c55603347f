// The command tester's fields as a user may fill them: composing the request, the bytes it
// sends, and the reply text and values it shows for whatever comes back.
#include "errors.h"
#include "testerreply.h"
#include "testerrequest.h"

#include <QByteArrayList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Byte 0: kind (low bits) and framing; the rest: the fields, separated by '|', and after the
    // twelfth '|' the reply, as bytes.
    const QList<QByteArray> fields =
        QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('|');
    const auto field = [&fields](int i) {
        return i < fields.size() ? QString::fromLatin1(fields.at(i)) : QString();
    };
    vrx::RequestFields request;
    request.kind = data[0] % 8 - 1; // -1 (nothing chosen) to 6 (past the list)
    request.rtu = data[0] & 0x80;
    request.address = field(0);
    request.funcAddr = field(1);
    request.dataLen = field(2);
    request.userCmd = field(3);
    for (int w = 0; w < vrx::WriteWordCount; ++w)
        request.writeWords[size_t(w)] = vrx::PadHex(field(4 + w), 4);
    if (request.kind >= vrx::CommandKindCount) request.kind = -1;
    const QByteArray reply = fields.size() > 12 ? fields.mid(12).join('|') : QByteArray();
    try {
        if (const auto composed = vrx::ComposeRequest(request)) {
            const QByteArray bytes = vrx::RequestBytes(composed->sendLine, request.rtu);
            (void)vrx::ReplyText(bytes, request.rtu);
            (void)vrx::ReplyValueLines(bytes, reply);
        }
    } catch (const vrx::ConvertError&) {
    } catch (const vrx::CountError&) {
    }
    (void)vrx::ReplyValueLines(reply, reply);
    (void)vrx::RequestBytes(field(0), request.rtu);
    return 0;
}
