// A pty's line settings and the controllers' view of them.
#include "ptyline.h"

#include <termios.h>

#include <array>
#include <utility>

namespace vrx::sim {

PtyLine PtyLineOf(unsigned speedCode, unsigned controlFlags) {
    static constexpr std::array<std::pair<speed_t, int>, 10> Rates{{{B1200, 1200},
                                                                    {B2400, 2400},
                                                                    {B4800, 4800},
                                                                    {B9600, 9600},
                                                                    {B19200, 19200},
                                                                    {B38400, 38400},
                                                                    {B57600, 57600},
                                                                    {B115200, 115200},
                                                                    {B230400, 230400},
                                                                    {B600, 600}}};
    PtyLine line;
    for (const auto& [code, rate] : Rates)
        if (code == speedCode) line.baud = rate;
    line.stopBits = (controlFlags & CSTOPB) != 0 ? 2 : 1;
    return line;
}

LineFit FitOf(const LineOptions& options, const PtyLine& line) {
    if (options.baud && *options.baud != line.baud) return LineFit::Silent;
    if (options.format && options.format->stopBits != line.stopBits) return LineFit::Garbled;
    return LineFit::Fits;
}

QByteArray Garbled(const QByteArray& reply) {
    QByteArray bytes = reply;
    for (char& c : bytes)
        c = char((quint8(c) >> 1) | 0x80);
    return bytes;
}

} // namespace vrx::sim
