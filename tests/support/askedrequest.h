// The read or write request in a frame that left the port, for tests that check what was asked.
#pragma once

#include "framecodec.h"

#include <QByteArray>

namespace vrx::test {

// A request as it crossed the line.
struct Asked {
    int address = -1;
    int function = -1;
    int reg = 0;
    int value = 0; // register count of a read, value of a write
    friend bool operator==(const Asked&, const Asked&) = default;
};

inline Asked ParseRequest(const QByteArray& frame, bool rtu) {
    QByteArray bytes;
    if (rtu) {
        bytes = frame.chopped(2);
    } else {
        for (qsizetype i = 1; i + 1 < frame.size() - 4; i += 2)
            bytes.append(char(HexToByte(frame.at(i), frame.at(i + 1))));
    }
    if (bytes.size() < 6) return {};
    auto at = [&bytes](int i) { return int(quint8(bytes.at(i))); };
    return {at(0), at(1), at(2) << 8 | at(3), at(4) << 8 | at(5)};
}

} // namespace vrx::test
