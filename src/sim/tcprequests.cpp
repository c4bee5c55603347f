// Cutting a TCP stream into requests for the simulated controllers.
#include "tcprequests.h"

#include "framecodec.h"

namespace vrx::sim {

bool TcpRequestReader::Feed(const QByteArray& bytes, std::vector<TcpRequest>* requests) {
    if (kind_ == Kind::ModbusTcp) {
        std::vector<MbapAdu> adus;
        if (!adus_.Feed(bytes, &adus, nullptr)) return false;
        for (const MbapAdu& adu : adus) {
            QByteArray frame(1, char(adu.unit));
            frame += adu.pdu;
            frame += ModbusCrc(frame);
            requests->push_back({{Framing::Rtu, frame}, adu.transaction});
        }
        return true;
    }
    for (ReceivedFrame& frame : frames_.Feed(bytes))
        requests->push_back({std::move(frame), std::nullopt});
    while (std::optional<ReceivedFrame> frame = frames_.TakeRtuByLength())
        requests->push_back({std::move(*frame), std::nullopt});
    return true;
}

std::optional<TcpRequest> TcpRequestReader::Pause() {
    if (kind_ == Kind::ModbusTcp) return std::nullopt;
    if (std::optional<ReceivedFrame> frame = frames_.Silence())
        return TcpRequest{std::move(*frame), std::nullopt};
    return std::nullopt;
}

QByteArray GatewayReply(quint16 transaction, const QByteArray& rtuRequest,
                        const QByteArray& rtuReply) {
    const int unit = static_cast<unsigned char>(rtuRequest.at(0));
    if (unit == 0) return {};
    const std::optional<SerialRequest> reply = SerialFrameToPdu(rtuReply, false);
    if (reply) return EncodeMbap({transaction, reply->unit, reply->pdu});
    const char function = char(static_cast<unsigned char>(rtuRequest.at(1)) | 0x80);
    return EncodeMbap(
        {transaction, unit, QByteArray(1, function) + char(mbap::GatewayTargetFailed)});
}

} // namespace vrx::sim
