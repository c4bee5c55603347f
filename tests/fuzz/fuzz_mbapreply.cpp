// A Modbus TCP gateway's bytes, cut into segments, through the MBAP reader and back into the
// serial frames the tools check. The first byte picks the framing and where the stream is cut;
// the rest is the stream.
#include "framecodec.h"
#include "mbap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool ascii = data[0] & 0x80;
    const qsizetype cut = data[0] & 0x7F;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    vrx::MbapReader whole, pieces;
    std::vector<vrx::MbapAdu> fromWhole, fromPieces;
    const bool wholeOk = whole.Feed(stream, &fromWhole, nullptr);
    bool piecesOk = true;
    const qsizetype step = cut + 1;
    for (qsizetype at = 0; at < stream.size() && piecesOk; at += step)
        piecesOk = pieces.Feed(stream.mid(at, step), &fromPieces, nullptr);
    // TCP cuts a stream anywhere: how it was cut must not change what it holds.
    if (wholeOk != piecesOk) std::abort();
    if (wholeOk && fromWhole != fromPieces) std::abort();
    for (const vrx::MbapAdu& adu : fromWhole) {
        if (adu.pdu.isEmpty() || adu.pdu.size() > vrx::mbap::MaxPdu) std::abort();
        // Every ADU becomes a frame with a good check, which reads back as the same PDU.
        const QByteArray frame = vrx::PduToSerialFrame(adu.unit, adu.pdu, ascii);
        const auto back = vrx::SerialFrameToPdu(frame, ascii);
        if (!back || back->unit != adu.unit || back->pdu != adu.pdu || back->ascii != ascii)
            std::abort();
        if (vrx::EncodeMbap(adu).size() != vrx::mbap::HeaderSize + adu.pdu.size()) std::abort();
    }
    // Whatever a tool sends is either refused or made into a request that reads back whole.
    if (const auto request = vrx::SerialFrameToPdu(stream, ascii)) {
        const QByteArray frame = vrx::PduToSerialFrame(request->unit, request->pdu, request->ascii);
        const auto again = vrx::SerialFrameToPdu(frame, request->ascii);
        if (!again || again->pdu != request->pdu || again->unit != request->unit) std::abort();
    }
    return 0;
}
