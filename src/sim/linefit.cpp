// Pinned controllers against a master's line settings.
#include "linefit.h"

namespace vrx::sim {

LineFit FitOf(const LineOptions& options, const MasterLine& line) {
    if (options.baud && *options.baud != line.baud) return LineFit::Silent;
    if (!options.format) return LineFit::Fits;
    const LineFormat& pinned = *options.format;
    if (line.dataBits && *line.dataBits != pinned.dataBits) return LineFit::Silent;
    if (line.parity && *line.parity != pinned.parity) return LineFit::Silent;
    return pinned.stopBits == line.stopBits ? LineFit::Fits : LineFit::Garbled;
}

QByteArray Garbled(const QByteArray& reply) {
    QByteArray bytes = reply;
    for (char& c : bytes)
        c = char((quint8(c) >> 1) | 0x80);
    return bytes;
}

} // namespace vrx::sim
