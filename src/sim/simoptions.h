// The options of a simulated line, as they follow "sim:" in VRX_COMn or come on vrx-sim's
// command line.
//
// Syntax: items separated by ":", each key=value; lists separated by ",". For example
//   VRX_COM1=sim:addresses=1,2,5:mode=rtu:speed=1
//   VRX_COM1=sim:preset=factory:fault=split,delay:delay=300
// Keys:
//   addresses=1,2,5 or 1-4   station addresses (1-255, at most 8); default 1-4
//   mode=auto|ascii|rtu      framing; auto follows the master (default), a pinned framing
//                            stays silent to the other one
//   preset=demo|factory      demo: the demo controllers (default); factory: factory settings
//   speed=N                  process time runs N times faster (default 5 for the demo, else 1)
//   baud=N                   pins the baud rate: a master at another rate meets silence
//   format=8N1               pins data bits, parity (N, E, O) and stop bits likewise; at other
//                            stop bits only, the replies come as bytes that make no frame
//   turnaround=MS            the controllers' answer delay (default 5)
//   fault=KIND,...           faults on every reply: noanswer, badcheck, wrongaddress,
//                            exception, split, delay, stray
//   faultaddress=N           only station N's replies get the faults
//   code=N pieces=N gap=MS delay=MS   parameters of exception, split/stray and delay faults
#pragma once

#include "faults.h"
#include "framereceiver.h"

#include <QString>

#include <optional>
#include <vector>

namespace vrx::sim {

enum class Preset { Demo, Factory };

struct LineFormat {
    int dataBits = 8;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stopBits = 1;
    friend bool operator==(const LineFormat&, const LineFormat&) = default;
};

struct LineOptions {
    std::vector<int> addresses{1, 2, 3, 4};
    FramingMode mode = FramingMode::Auto;
    Preset preset = Preset::Demo;
    double speed = 5.0;
    std::optional<int> baud;
    std::optional<LineFormat> format;
    int turnaroundMs = 5;
    std::vector<Fault> faults;
};

// The options of the text, or nullopt with the reason in error.
std::optional<LineOptions> ParseLineOptions(const QString& text, QString* error);

} // namespace vrx::sim
