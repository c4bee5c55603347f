// The Monitor's station model and polling engine: four stations on one line, one request on the
// line at a time, the replies checked and shown, writes slotted in, the trend history sampled.
// Widget-free: it talks to the window through signals and a face model per station.
#pragma once

#include "clock.h"
#include "comsettings.h"
#include "exchange.h"
#include "exchangestats.h"
#include "monitorreply.h"
#include "paramimage.h"
#include "paramtransfer.h"
#include "pollplan.h"
#include "registerdisplay.h"
#include "transfer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace vrx {

// What a station's face shows: PV and SV texts, lamps, run lamp and output gauges.
struct StationFace {
    QString pvText;
    bool pvIsStatus = false; // a status text, shown in the smaller font
    QString svText;
    LampRow lamps{};
    LampColour runLed = LampColour::Grey;
    int out1 = 0; // tenths of a percent
    int out2 = 0;
    friend bool operator==(const StationFace&, const StationFace&) = default;
};

inline constexpr int MonitorStations = 4;
inline constexpr int MonitorTrendLength = 720; // samples, one a second: 12 minutes

// The Monitor's station model and engine state, under the names the Monitor's design gives them.
// Only the engine writes it; the window and the editor read it through PollEngine::State().
struct MonitorState {
    // Per-station values are indexed 1..4; index 0 is unused.
    template <typename T> using PerStation = std::array<T, MonitorStations + 1>;

    // Engine state.
    int PollPhase = StatusPhase;
    int PollStation = 0;
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
    bool StationSetChanged = false;
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
    bool SettingsReread = false;
    bool FirstSettingsRead = false;
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

    // Writes and transfers.
    QByteArray WriteFrame;
    bool WritePending = false;
    bool UnlockFirst = false;
    bool BufferReadPending = false;
    bool BufferReading = false;
    int BufferReadCount = 0;
    bool BufferWriting = false;
    int BufferWriteCount = 0;
    bool Broadcasting = false;
    bool SaveRequested = false;
    bool OpenRequested = false;
    bool BufferLoaded = false;
    ParamImage ParamBuffer{};
    bool PatternReadPending = false;
    bool PatternReading = false;
    bool PatternWriting = false;
    int PatternStep = 0;
};

// The station model and the engine. Its state is its own (MonitorState, read through State());
// the window and the editor change it through the commands below, and learn of changes through
// the signals. It never shows a message itself.
class PollEngine : public QObject, private MonitorState {
    Q_OBJECT
public:
    static constexpr int Stations = MonitorStations;
    static constexpr int TrendLength = MonitorTrendLength;
    // The name under which the engine holds the line.
    static constexpr const char* LineTool = line_tool::Monitor;
    // What a connected station shows for its values while the line is gone.
    static constexpr char NotReadText[] = "----";

    using MonitorState::PerStation;

    explicit PollEngine(LineOwner& line, QObject* parent = nullptr);

    // The line's settings, as the line is opened with them: its framing and reply time-outs.
    void SetLineSettings(const LineSettings& settings);

    const MonitorState& State() const { return *this; }
    const StationFace& Face(int st) const { return faces_[std::size_t(st)]; }
    // How the requests to a station ended and how long its replies took; reset with its
    // counters.
    const ExchangeStats& Stats(int st) const { return stats_[std::size_t(st)]; }
    bool Rtu() const { return settings_.Rtu(); }
    // The engine's exchanges on the line: its tool holds the line while the Monitor is open.
    Exchange& LineExchange() { return exchange_; }
    const Exchange& LineExchange() const { return exchange_; }
    // Restarts a stopped chain once a second and samples the trend.
    const ClockTimer& Timer1() const { return timer1_; }

    // ---- Station model ----
    void ResetMonitor();
    void ClearStation(int st);
    void ConnectStation(int st);
    void CancelStation(int st);
    void SelectStation(int st);
    // An address edit now shows `address`; it takes effect when the cycle restarts.
    void AddressEdited(int st, int address);
    // What the address edits show as the window opens, before any station is connected.
    void SetAddresses(const PerStation<int>& edited) { EditedAddr = edited; }
    // The run lamp of a station, as Connect paints it before connecting.
    void SetRunLed(int st, LampColour colour);
    // The trace row's counters of a station start again from 0.
    void ResetCounters(int st);
    // The window closes: every transfer ends, and nothing more is sent.
    void WindowClosed();

    // ---- Writes and reads between the polls ----
    // A write for the selected station, sent at the engine's next turn before the poll; with
    // unlockFirst the key register is opened first.
    void QueueWrite(const QByteArray& frame, bool unlockFirst);
    // A key pressed in a parameter box decides the unlock anew: a protected box asks for the
    // key, any other withdraws a key not sent yet.
    void DecideUnlock(bool unlockFirst);
    // The selected station's settings are read again after the current cycle.
    void RequestSettingsReread();
    // File routines, run at the engine's next turn so that no reply is awaited while their
    // dialogs are open; at once when nothing is on the line. They clear their own requests.
    void SetFileRoutines(std::function<void()> save, std::function<void()> open);
    void RequestSave();
    void RequestOpen();
    void SaveDone() { SaveRequested = false; }
    void OpenDone() { OpenRequested = false; }
    // The parameter buffer as a file or a read left it.
    void LoadBuffer(const ParamImage& image);

    // ---- The trend ----
    // The chart now shows station st's history in full; the next sample adds one point.
    void TrendDrawn(int st) { TrendDrawnStation = st; }
    // The next sample redraws the chart in full.
    void RedrawTrend() { TrendDrawnStation = 0; }

    // ---- The engine ----
    void NextRequest();
    void AdvancePoll();
    void RestartCycle();
    void Timer1Timer();

    // ---- Transfers ----
    // A transfer belongs to the station selected when it was asked for, at the address it had
    // then (a broadcast to none): it stops, and says so, when that station goes, another one
    // is selected, its address changes, the line is lost or the window closes, rather than
    // carry on with another controller.
    // Load to Buffer: the read starts when the exchange in progress ends.
    void StartBufferRead();
    // Write to Select, or BroadCast to address 0: the 32 writes of the buffer as it is now.
    void StartBufferWrite(bool broadcast);
    // How many of the 32 settings the buffer would change in the controller at `address`, when
    // what it holds is known (read by Load to Buffer, or written whole since); nothing if not.
    std::optional<int> SettingsToChange(int address) const;
    enum class TransferStop { LineLost, WindowClosed };
    void InterruptTransfers(TransferStop why);
    bool TransferRunning() const { return BufferReadPending || BufferReading || BufferWriting; }

    // The editor's program read and write, run by the engine until they end themselves (End*)
    // or the engine stops them. The read starts when the exchange in progress ends;
    // PatternStep is where it begins.
    void StartPatternRead(Transfer& read, int patternStep);
    void EndPatternRead();
    void StartPatternWrite(Transfer& write);
    void EndPatternWrite();
    void SetPatternStep(int step) { PatternStep = step; }
    // The address a running transfer was pinned to when it started; 0 when it is not running.
    int TransferAddress(const Transfer& transfer) const;

signals:
    // The face of a station changed: the window repaints it from Face(st).
    void faceChanged(int st);
    // The selection ring moves to station st, lime when it is connected, silver otherwise.
    void selectionMoved(int st, bool connected);
    // The selected station now answers at another address: what was shown of it is stale.
    void selectedAddressChanged();
    // A settings block of the selected station was decoded.
    void settingsDecoded(const vrx::SettingsBlock& block);
    // A whole settings read ended; `first` for the first one after a station was connected.
    void settingsReadEnded(bool first);
    // A reply failed: the status line shows the text in red.
    void errorReported(const QString& text);
    // Station st stopped answering at `address` and was dropped: it is polled no more.
    void stationDropped(int st, int address);
    // The controller refused the single write `frame` (as queued), for `reason`: it is dropped.
    void writeRefused(const QByteArray& frame, const QString& reason);
    // RequestCount / ErrorCount of a station changed.
    void countersChanged(int st);
    // The station model was reset: the window resets its buttons and editing.
    void monitorReset();
    // The last connected station went: the settings view and the trend view close.
    void lastStationGone();
    // A trend sample of the selected station was taken: draw it, in full or one more point.
    void trendSampled(bool full);
    // A send failed; the window says why (once: the chain stops until Timer1 restarts it).
    void lineFailed(const QString& text);
    // Parameter transfers: the gauge, its end, a loaded buffer, the operation panel back.
    void uploadProgress(int percent);
    void uploadFinished();
    void bufferLoaded();
    void opPanelEnabled();
    // A parameter transfer stopped before its end, or a write-back ended with settings the
    // controller did not take: the text says what happened and what the controllers now hold.
    void transferStopped(const QString& text);
    // A parameter write ended whole: the text says what the controllers now hold.
    void transferDone(const QString& text);

private:
    void ShowLineDown();
    void LineBack();
    void SendRead(int firstRegister, int count);
    void SendWrite();
    void SendFrame(const QByteArray& asciiText);
    void ReplyEnded(const QByteArray& frame, bool timedOut);
    void BroadcastFrameEnded();
    // `silence`: RTU bytes that never came, ended by the silence.
    void HandleReply(const MonitorReply& reply, bool silence);
    void Dispatch(const MonitorReply& reply);
    void PassRefusedRead();
    void GoodWriteEcho();
    void ReportResult(int result);
    void ShowStationValues(const ReplyWordArray& words);
    void DecodeSettings(const ReplyWordArray& words);
    void EndSettingsRead();
    void RunFileRoutines();
    // The station a transfer belongs to, and the address it had when the transfer started.
    struct TransferPin {
        int station = 0;
        int address = 0;
    };
    TransferPin PinSelected() const;
    bool PinHolds(const TransferPin& pin) const;
    QString PinBroken(const TransferPin& pin) const;
    void KeepTransfersOnTheirStations();
    bool QueueTransferWrite(Transfer& transfer);
    void TakeTransferWords(const MonitorReply& reply);
    void TallyTransferRead(bool gotData, int errorCode);
    void BeginBufferRead();
    void EndBufferRead();
    void EndBufferWrite();
    void StopTransfersOf(int cancelled);
    void StopTransfers(const QString& reason);
    void StopPatternRead(const QString& reason);
    void StopPatternWrite(const QString& reason);
    int FirstStation(const PerStation<bool>& flags) const;

    LineSettings settings_;
    Exchange exchange_;
    ClockTimer timer1_;
    std::function<void()> saveRoutine_;
    std::function<void()> openRoutine_;
    bool routinesRunning_ = false;
    // The frame on the line is the unlock frame. Its echo is told from the write's by what was
    // sent, not by UnlockFirst, which a key press may change while the frame is out.
    bool unlockOnLine_ = false;
    PerStation<StationFace> faces_{};
    PerStation<ExchangeStats> stats_{};

    // The parameter memory of each address as last read whole or written whole.
    KnownMemory knownMemory_;
    // The transfers: the parameter ones are the engine's own, the editor's are lent to it while
    // they run. Each is pinned to its station when it starts.
    ParamRead paramRead_{*this};
    ParamWriteBack writeBack_{*this, knownMemory_};
    Transfer* patternRead_ = nullptr;
    Transfer* patternWrite_ = nullptr;
    TransferPin paramReadPin_;
    TransferPin writeBackPin_;
    TransferPin patternReadPin_;
    TransferPin patternWritePin_;
    // The transfer whose read is on the line; the one that composed the pending write, and the
    // one whose write is on the line (none for the Monitor's own writes and the unlock).
    Transfer* readOnLine_ = nullptr;
    Transfer* writeOwner_ = nullptr;
    Transfer* writeOnLine_ = nullptr;
};

// How long the Monitor waits for a reply, in 55 ms ticks: in RTU the silence that ends one.
int MonitorReplyTicks(const LineSettings& settings);

// At a wrap of the selected station's history: the chart is rescaled when the history it will
// show spans less than half of the range it is drawn for, so a trace that has settled after a
// disturbance fills the chart again, while small changes do not make it jump.
bool TrendRescaleDue(int drawnMax, int drawnMin, int foundMax, int foundMin);

// A tick of Timer1 while the chain runs: every active station's process value goes into its
// history ring (with its range, and a rescale of the chart when the selected station's ring
// wraps); after the chart has drawn the sample, the rings advance.
void SampleTrends(MonitorState& state);
void AdvanceTrends(MonitorState& state);

} // namespace vrx
