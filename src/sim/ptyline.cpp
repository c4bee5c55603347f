// A pty's line settings.
#include "ptyline.h"

#include <termios.h>

#include <array>
#include <utility>

namespace vrx::sim {

MasterLine PtyLineOf(unsigned speedCode, unsigned controlFlags) {
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
    MasterLine line;
    for (const auto& [code, rate] : Rates)
        if (code == speedCode) line.baud = rate;
    line.stopBits = (controlFlags & CSTOPB) != 0 ? 2 : 1;
    return line;
}

} // namespace vrx::sim
