// A master's Modbus TCP stream as the hub takes it: cut into ADUs, each judged, a request that
// passes made into the line's frame, and the answer made from whatever the line gives back. The
// first byte picks the framing, whether writes are allowed and where the stream is cut; the
// rest is the stream, and also stands for the line's reply.
#include "framecodec.h"
#include "servedrequest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

int Byte(const QByteArray& bytes, qsizetype at) {
    return static_cast<unsigned char>(bytes.at(at));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const vrx::Framing framing = data[0] & 0x80 ? vrx::Framing::Ascii : vrx::Framing::Rtu;
    const bool writes = data[0] & 0x40;
    const qsizetype step = (data[0] & 0x3F) + 1;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    vrx::MbapReader reader;
    std::vector<vrx::MbapAdu> adus;
    for (qsizetype at = 0; at < stream.size(); at += step)
        if (!reader.Feed(stream.mid(at, step), &adus, nullptr)) break;
    for (const vrx::MbapAdu& adu : adus) {
        const std::optional<vrx::HubException> refusal = vrx::JudgeServed(adu, writes);
        if (refusal) {
            const QByteArray answer = vrx::ExceptionPdu(adu.pdu, *refusal);
            if (answer.size() != 2 || (Byte(answer, 0) & 0x80) == 0) std::abort();
            continue;
        }
        // What passes is a public function with a length Modbus gives it; a write only when
        // allowed; a broadcast only as a write.
        const int function = Byte(adu.pdu, 0);
        if (vrx::IsWriteFunction(function) && !writes) std::abort();
        if (adu.unit == 0 && !vrx::IsWriteFunction(function)) std::abort();
        if (function < 0x01 || (function > 0x06 && function != 0x0F && function != 0x10))
            std::abort();
        if (adu.pdu.size() > 6 + 2 * 123) std::abort();
        // The frame on the line carries the unit and PDU whole, with a good check.
        const vrx::Request request =
            vrx::Request::Text(vrx::PduToSerialFrame(adu.unit, adu.pdu, true));
        const QByteArray frame = request.Frame(framing);
        const auto back = vrx::SerialFrameToPdu(frame, framing == vrx::Framing::Ascii);
        if (!back || back->unit != adu.unit || back->pdu != adu.pdu) std::abort();
        // Whatever the line gives back, the master gets its station's answer to this function,
        // or a gateway's exception, or nothing for a broadcast.
        vrx::Reply reply;
        reply.kind = vrx::ReplyKind::Replied;
        reply.frame = stream;
        const std::optional<QByteArray> answer = vrx::ServedReplyPdu(adu, reply, framing);
        if (adu.unit == 0) {
            if (answer) std::abort();
            continue;
        }
        if (!answer || answer->isEmpty() || (Byte(*answer, 0) & 0x7F) != function) std::abort();
    }
    return 0;
}
