// The Monitor's station model and polling engine: four stations on one line, one request on the
// line at a time, the replies checked and shown, writes slotted in, the trend history sampled.
// Widget-free: it talks to the window through signals and a face model per station.
#pragma once

#include "answerwatch.h"
#include "clock.h"
#include "comsettings.h"
#include "exchange.h"
#include "exchangestats.h"
#include "monitorreply.h"
#include "monitorstate.h"
#include "paramimage.h"
#include "pollplan.h"
#include "registerdisplay.h"
#include "stationface.h"
#include "transfer.h"
#include "transferqueue.h"
#include "trendhistory.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <functional>

namespace vrx {

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
    // The transfers it runs between its polls; the editor lends its own to them.
    TransferQueue& Transfers() { return queue_; }
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
    // Each belongs to the station selected when it was asked for (TransferQueue).
    // Load to Buffer: the read starts when the exchange in progress ends.
    void StartBufferRead() { queue_.StartParamRead(); }
    // Write to Select, or BroadCast to address 0: the 32 writes of the buffer as it is now.
    void StartBufferWrite(bool broadcast) { queue_.StartWriteBack(ParamBuffer, broadcast); }
    // How many of the 32 settings the buffer would change in the controller at `address`, when
    // what it holds is known (read by Load to Buffer, or written whole since); nothing if not.
    std::optional<int> SettingsToChange(int address) const {
        return queue_.SettingsToChange(ParamBuffer, address);
    }
    enum class TransferStop { LineLost, WindowClosed };
    void InterruptTransfers(TransferStop why);
    bool TransferRunning() const { return queue_.ParamTransferRunning(); }

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
    // Station st stopped answering at `address` and was dropped: it is polled no more. While
    // no station has answered since the first Connect, this waits until one does.
    void stationDropped(int st, int address);
    // No station has answered at all since the first Connect, and none is left: said once,
    // instead of a stationDropped for each.
    void noControllerAnswers();
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
    void SendRequest(const Request& request);
    void ReplyEnded(const Reply& reply);
    void FrameEnded(const QByteArray& frame, bool timedOut);
    void BroadcastFrameEnded();
    // `silence`: RTU bytes that never came, ended by the silence.
    void HandleReply(const MonitorReply& reply, bool silence);
    // A station answered with a frame of its own: drops held back are said now.
    void StationAnswered();
    void Dispatch(const MonitorReply& reply);
    void PassRefusedRead();
    void GoodWriteEcho();
    // `exception`: the code of an exception reply.
    void ReportResult(int result, int exception = 0);
    void ShowStationValues(const MonitorReply& reply);
    void DecodeSettings(const ReplyWordArray& words);
    void EndSettingsRead();
    void RunFileRoutines();
    void WireTransfers();
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
    AnswerWatch answers_;
    // It keeps its flags in the engine's state, which shows them.
    TransferQueue queue_{*this, *this};
};

// How long the Monitor waits for a reply, in 55 ms ticks: in RTU the silence that ends one.
int MonitorReplyTicks(const LineSettings& settings);

} // namespace vrx
