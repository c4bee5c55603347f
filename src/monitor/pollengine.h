// The Monitor's station model and polling engine: four stations on one line, one request on the
// line at a time, the replies checked and shown, writes slotted in, the trend history sampled.
// Widget-free: it talks to the window through signals and a face model per station.
#pragma once

#include "clock.h"
#include "comsettings.h"
#include "exchange.h"
#include "paramimage.h"
#include "pollplan.h"
#include "registerdisplay.h"

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

class PollEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int Stations = 4;
    static constexpr int TrendLength = 720; // samples, one a second: 12 minutes
    // The name under which the engine holds the line.
    static constexpr const char* LineTool = line_tool::Monitor;

    // Per-station values are indexed 1..4; index 0 is unused.
    template <typename T> using PerStation = std::array<T, Stations + 1>;

    // The line's settings, asked at every send and at the end of every reply.
    using SettingsSource = std::function<LineSettings()>;

    PollEngine(LineOwner& line, SettingsSource settings, QObject* parent = nullptr);

    // The engine's exchanges on the line: its tool holds the line while the Monitor is open.
    Exchange& LineExchange() { return exchange_; }

    // Station model.
    void ResetMonitor();
    void ClearStation(int st);
    void ConnectStation(int st);
    void CancelStation(int st);
    void SelectStation(int st);
    // An address edit now shows `address`; it takes effect when the cycle restarts.
    void AddressEdited(int st, int address);
    // The run lamp of a station, as Connect paints it before connecting.
    void SetRunLed(int st, LampColour colour);
    const StationFace& Face(int st) const { return faces_[std::size_t(st)]; }

    // The settings view and the hidden-mode controls; the window shows what these say.
    void ShowParamPanels();
    void HideParamPanels();
    void ShowHiddenControls(bool show);

    // The engine.
    void NextRequest();
    void AdvancePoll();
    void RestartCycle();
    void Timer1Timer();
    bool Rtu() const { return settings_().Rtu(); }

    // Work of later parts, run from an engine turn. Each is empty until plugged in; the file
    // routines clear their own request flags.
    std::function<void()> SaveRoutine;
    std::function<void()> OpenRoutine;
    // Compose the next write of a transfer into WriteFrame and set WritePending. The parameter
    // write-back (ParamWriteStep) unless replaced.
    std::function<void()> BufferWriteStep;
    std::function<void()> PatternWriteStep;
    // Takes the words of a good reply while the pattern read runs; ends it by clearing
    // PatternReading.
    std::function<void(const ReplyWordArray& words, int count)> PatternReadStep;
    // The next request of the pattern read, from a read that keeps its own position; without
    // it the request follows PatternStep and BufferReadCount.
    std::function<std::optional<ReadBlock>()> PatternReadRequest;

    // The parameter memory of the selected station (paramtransfer.cpp). A transfer belongs to
    // the station selected when it was asked for: it stops, and says so, when that station
    // goes, another one is selected, its address changes, the line is lost or the window
    // closes, rather than carry on with another controller.
    // Load to Buffer: the read starts when the exchange in progress ends.
    void StartBufferRead();
    // Write to Select, or BroadCast to address 0: the 32 writes of the buffer as it is now.
    void StartBufferWrite(bool broadcast);
    // Composes the next write of the write-back or broadcast.
    void ParamWriteStep();
    enum class TransferStop { LineLost, WindowClosed };
    void InterruptTransfers(TransferStop why);
    bool TransferRunning() const { return BufferReadPending || BufferReading || BufferWriting; }

    // Engine state.
    int PollPhase = 0;
    int PollStation = 0;
    int TargetAddr = 0;
    bool RequestOutstanding = false;
    int ReplyTicks = 36;
    QByteArray TxFrame;
    ReplyWordArray ReplyWords{};
    int ReplyWordCount = 0;
    int ErrorCode = 0;
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
    bool PanelsShown = false;
    bool OneDecimal = false;
    QString FwCaption = QStringLiteral("Firmware Version");
    // The input type InputType shows (-1 for none): it decides how whole-degree values round.
    int ShownInputType = -1;

    // Trend history.
    PerStation<std::array<int, TrendLength + 1>> TrendHistory{};
    PerStation<int> TrendIndex{};
    PerStation<bool> TrendWrapped{};
    PerStation<int> TrendMax{};
    PerStation<int> TrendMin{};
    bool TrendView = false;
    int TrendDrawnStation = 0;

    // Writes and transfers.
    QByteArray WriteFrame;
    bool WritePending = false;
    bool UnlockFirst = false;
    bool TenthsScale = false;
    bool HiddenMode = false;
    bool HiddenShown = false;
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

    // Restarts a stopped chain once a second and samples the trend.
    ClockTimer Timer1;

signals:
    // The face of a station changed: the window repaints it from Face(st).
    void faceChanged(int st);
    // The selection ring moves to station st, lime when it is connected, silver otherwise.
    void selectionMoved(int st, bool connected);
    // A settings block of the selected station was decoded.
    void settingsDecoded(const vrx::SettingsBlock& block);
    // A reply failed: the status line shows the text in red.
    void errorReported(const QString& text);
    // RequestCount / ErrorCount of a station changed.
    void countersChanged(int st);
    void panelsShown(bool shown);
    void hiddenControlsShown(bool shown);
    // The station model was reset: the window resets its buttons and editing.
    void monitorReset();
    // The last station went while the trend view was shown: back to no view.
    void trendViewLeft();
    // A new trend sample of the selected station wants drawing: in full, or one more point.
    void trendDrawRequested(bool full);
    // Parameter transfers: the gauge, its end, a loaded buffer, the operation panel back.
    void uploadProgress(int percent);
    void uploadFinished();
    void bufferLoaded();
    void opPanelEnabled();
    // A parameter transfer stopped before its end, or a write-back ended with settings the
    // controller did not take: the text says what happened and what the controllers now hold.
    void transferStopped(const QString& text);
    // The line went away or the window closed: every transfer, the editor's too, ends now.
    void transfersInterrupted();
    void patternProgress(int percent);
    void patternFinished();

private:
    void SendRead(int firstRegister, int count);
    void SendWrite();
    void SendFrame(const QByteArray& asciiText);
    void ReplyEnded(const QByteArray& frame, bool timedOut);
    void BroadcastFrameEnded();
    void HandleReply(const QByteArray& frame, bool rtu);
    void Dispatch();
    void GoodWriteEcho();
    void ReportResult();
    void ShowStationValues();
    void DecodeSettings();
    void EndSettingsRead();
    void StoreParameterWords();
    void BeginBufferRead();
    void PinTransferStation();
    bool TransferStationHolds() const;
    void KeepTransferOnItsStation();
    void StopTransfersOf(int cancelled);
    void StopTransfers(const QString& reason);
    void TallyBufferRead(bool gotData, int errorCode);
    void EndBufferWrite();
    void SampleTrend(int st);
    int FirstStation(const PerStation<bool>& flags) const;

    SettingsSource settings_;
    Exchange exchange_;
    // The frame on the line is the unlock frame. Its echo is told from the write's by what was
    // sent, not by UnlockFirst, which a key press may change while the frame is out.
    bool unlockOnLine_ = false;
    PerStation<StationFace> faces_{};

    // Parameter transfers: the read gathered apart from ParamBuffer, the image being written
    // (a file opened meanwhile must not change the rest of a write-back), the station and
    // address they belong to, whether the request on the line is the 0x474C read, the reads in
    // a row that brought no data, and the writes the controller echoed.
    ParamImageRead bufferRead_;
    ParamImage writeImage_{};
    int transferStation_ = 0;
    int transferAddress_ = 0;
    bool bufferReadOnLine_ = false;
    int bufferReadMisses_ = 0;
    int bufferWriteTaken_ = 0;
};

// At a wrap of the selected station's history: the chart is rescaled when the history it will
// show spans less than half of the range it is drawn for, so a trace that has settled after a
// disturbance fills the chart again, while small changes do not make it jump.
bool TrendRescaleDue(int drawnMax, int drawnMin, int foundMax, int foundMin);

} // namespace vrx
