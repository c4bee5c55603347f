// The requests a simulated serial server or Modbus TCP gateway takes off a TCP stream.
#pragma once

#include "framereceiver.h"
#include "mbap.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace vrx::sim {

struct TcpRequest {
    ReceivedFrame frame;                // as a controller on the serial side gets it
    std::optional<quint16> transaction; // Modbus TCP: the transaction to answer
};

// Transparent: the bytes are the serial line's. TCP keeps no gaps, so an RTU request ends by
// the length its function gives once its CRC holds (a serial server's line then falls quiet
// after it); a request of another shape ends at a pause in the stream. ASCII ends at CR LF.
// Modbus TCP: each ADU is one request, made into the RTU frame a gateway puts on its line.
class TcpRequestReader {
public:
    enum class Kind { Transparent, ModbusTcp };
    TcpRequestReader(Kind kind, FramingMode mode) : kind_(kind), frames_(mode) {}

    // The requests the bytes complete, in order. false when a Modbus TCP stream is broken
    // (nothing is answered on it any more: the connection is to be dropped).
    bool Feed(const QByteArray& bytes, std::vector<TcpRequest>* requests);
    // The stream paused: the RTU frame before the pause, if any.
    std::optional<TcpRequest> Pause();
    bool Pending() const { return kind_ == Kind::ModbusTcp ? adus_.Pending() : frames_.Pending(); }

private:
    Kind kind_;
    FrameReceiver frames_;
    MbapReader adus_;
};

// The bytes a Modbus TCP gateway sends back for what its serial line answered: the reply as
// an ADU, or the gateway's exception 0x0B when nothing good came; nothing for a broadcast.
QByteArray GatewayReply(quint16 transaction, const QByteArray& rtuRequest,
                        const QByteArray& rtuReply);

} // namespace vrx::sim
