// What the Monitor's engine keeps: the station model, the cycle, the writes and transfers, the
// trend history.
#pragma once

#include "paramimage.h"
#include "pollcycle.h"
#include "transferqueue.h"

#include <QByteArray>

#include <array>

namespace vrx {

inline constexpr int MonitorTrendLength = 720; // samples, one a second: 12 minutes

// The Monitor's station model and engine state, under the names the Monitor's design gives them.
// Only the engine writes it; the window and the editor read it through PollEngine::State().
// The cycle is a value of its own (PollCycle); the transfers' flags are the TransferQueue's,
// kept here for the window and the editor to read.
struct MonitorState : PollCycle, TransferFlags {
    // Per-station values are indexed 1..4; index 0 is unused.
    template <typename T> using PerStation = std::array<T, MonitorStations + 1>;

    // Engine state.
    int TargetAddr = 0;
    // The chain runs: a request is on the line, or a send failed and Timer1 must not retry it.
    bool RequestOutstanding = false;
    int ReplyTicks = 36;
    // The station the request on the line went to: its result is charged to it.
    int RequestStation = 0;

    // Station model.
    PerStation<int> StationAddr{0, 1, 1, 1, 1};
    // What the address edits show now; copied into StationAddr when the cycle restarts.
    PerStation<int> EditedAddr{0, 1, 1, 1, 1};
    PerStation<bool> StationConnected{};
    PerStation<bool> StationActive{};
    int ConnectedCount = 0;
    int SelStation = 1;
    PerStation<int> DecimalPoint{};
    PerStation<bool> CommWriteEnabled{};
    PerStation<bool> ProgramRunning{};
    PerStation<int> AtState{};
    PerStation<int> FirmwareWord{};
    PerStation<int> StationPV{};
    PerStation<int> StationSV{};
    PerStation<int> StationOut1{};
    PerStation<int> StationOut2{};
    int ProgDisplayMode = 0;
    PerStation<int> RequestCount{};
    PerStation<int> ErrorCount{};
    PerStation<int> TimeoutCount{};
    bool OneDecimal = false;
    // The input type InputType shows (-1 for none): it decides how whole-degree values round.
    int ShownInputType = -1;

    // Trend history.
    PerStation<std::array<int, MonitorTrendLength + 1>> TrendHistory{};
    // Beside each process value: the set value read with it, and when it was taken (the line's
    // clock, in ms), at the same positions.
    PerStation<std::array<int, MonitorTrendLength + 1>> TrendSvHistory{};
    PerStation<std::array<quint32, MonitorTrendLength + 1>> TrendStamps{};
    PerStation<int> TrendIndex{};
    PerStation<bool> TrendWrapped{};
    PerStation<int> TrendMax{};
    PerStation<int> TrendMin{};
    // The station whose history the chart shows in full; 0 when it must be drawn in full.
    int TrendDrawnStation = 0;

    // The write waiting to go, before the poll: the Monitor's own or a transfer's.
    QByteArray WriteFrame;
    bool WritePending = false;
    bool UnlockFirst = false;
    bool SaveRequested = false;
    bool OpenRequested = false;
    bool BufferLoaded = false;
    ParamImage ParamBuffer{};
};

} // namespace vrx
