// The polling engine: turns, sends, replies, results, the cycle, the transfers and the trend.
#include "pollengine.h"

#include "clock.h"
#include "errors.h"
#include "framecodec.h"
#include "guard.h"
#include "monitorreply.h"
#include "parameterboxes.h"
#include "pollplan.h"
#include "registers.h"
#include "replyend.h"

#include <QScopedValueRollback>
#include <QStringList>

#include <algorithm>

namespace vrx {

namespace {

constexpr int TimeoutsToDrop = 3;

int Signed16(int word) {
    return static_cast<qint16>(word & 0xFFFF);
}

// How a request ended, for the station's statistics.
ExchangeOutcome OutcomeOf(int errorCode) {
    switch (errorCode) {
    case ResultGood:
        return ExchangeOutcome::Answered;
    case ResultTimeOut:
        return ExchangeOutcome::TimedOut;
    case ResultBadCheck:
    case ResultOtherAddress:
    case ResultOtherFunction:
    case ResultEchoDiffers:
        return ExchangeOutcome::CheckError;
    default:
        return ExchangeOutcome::Exception; // a refused write, an exception code
    }
}

} // namespace

int MonitorReplyTicks(const LineSettings& s) {
    // An RTU reply ends after one or two ticks of silence; slow lines need the second tick.
    if (s.Rtu()) return s.baud <= 4800 ? 2 : 1;
    return 36;
}

bool TrendRescaleDue(int drawnMax, int drawnMin, int foundMax, int foundMin) {
    return qint64(foundMax - foundMin) * 2 < qint64(drawnMax - drawnMin);
}

PollEngine::PollEngine(LineOwner& line, QObject* parent)
    : QObject(parent), exchange_(line, QString::fromLatin1(LineTool)) {
    SetLineSettings(settings_);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(1000);
    connect(&timer1_, &ClockTimer::timeout, this, GuardedSlot(this, &PollEngine::Timer1Timer));
    connect(&exchange_, &Exchange::replied, this,
            [this](const QByteArray& frame) { Guarded([&] { ReplyEnded(frame, false); }); });
    connect(&exchange_, &Exchange::timedOut, this,
            [this](const QByteArray& partial) { Guarded([&] { ReplyEnded(partial, true); }); });
    connect(&exchange_, &Exchange::freed, this, [this] {
        Guarded([this] {
            RequestOutstanding = false;
            if (ConnectedCount != 0) NextRequest();
        });
    });
    connect(&exchange_, &Exchange::lineLost, this, [this] {
        Guarded([this] {
            InterruptTransfers(TransferStop::LineLost);
            ShowLineDown();
        });
    });
    connect(&exchange_, &Exchange::lineRestored, this, GuardedSlot(this, &PollEngine::LineBack));
}

void PollEngine::SetLineSettings(const LineSettings& settings) {
    settings_ = settings;
    ReplyTicks = MonitorReplyTicks(settings);
}

// ---- Station model ----

void PollEngine::ResetMonitor() {
    PollPhase = StatusPhase;
    SelStation = 1;
    TrendDrawnStation = 0;
    ConnectedCount = 0;
    for (bool* flag : {&StationSetChanged, &OneDecimal, &SettingsReread, &FirstSettingsRead,
                       &UnlockFirst, &WritePending, &BufferReading, &BufferReadPending,
                       &Broadcasting, &BufferWriting, &SaveRequested, &OpenRequested,
                       &RequestOutstanding, &BufferLoaded, &PatternReading, &PatternReadPending})
        *flag = false;
    for (int st = 1; st <= Stations; ++st) {
        StationActive[st] = StationConnected[st] = CommWriteEnabled[st] = TrendWrapped[st] = false;
        DecimalPoint[st] = TrendIndex[st] = ErrorCount[st] = RequestCount[st] = 0;
        TimeoutCount[st] = 0;
    }
    ParamBuffer = {};
    readOnLine_ = nullptr;
    // Nobody is left for the editor's transfers to go on with.
    const QString reason = tr("no station is connected any more");
    StopPatternRead(reason);
    StopPatternWrite(reason);
    emit monitorReset();
}

void PollEngine::ClearStation(int st) {
    StationFace& face = faces_[st];
    face.pvText.clear();
    face.svText.clear();
    face.lamps.fill(LampColour::Grey);
    face.runLed = LampColour::Grey;
    face.out1 = face.out2 = 0;
    emit faceChanged(st);
    if (st != SelStation) return;
    int next = FirstStation(StationActive);
    if (next == 0) next = FirstStation(StationConnected);
    SelectStation(next == 0 ? st : next);
}

void PollEngine::SelectStation(int st) {
    const bool connected = StationConnected[st];
    if (connected) {
        SelStation = st;
        SettingsReread = true;
    }
    // The editor's transfers end at once, their frame not sent yet withdrawn; the parameter
    // transfers at the next turn, so that the memory words or the echo on the line still count.
    const auto moved = [&](const TransferPin& pin) { return st != pin.station || !connected; };
    const QString reason = connected ? tr("another station was selected")
                                     : tr("station %1 is no longer connected").arg(st);
    if (patternRead_ && moved(patternReadPin_)) StopPatternRead(reason);
    if (patternWrite_ && moved(patternWritePin_)) StopPatternWrite(reason);
    emit selectionMoved(st, connected);
}

void PollEngine::ConnectStation(int st) {
    if (StationConnected[st]) return;
    ++ConnectedCount;
    TrendIndex[st] = 0;
    TrendWrapped[st] = false;
    StationConnected[st] = true;
    if (ConnectedCount != 1) {
        // Joins when the cycle in progress ends.
        StationSetChanged = true;
        return;
    }
    StationAddr = EditedAddr;
    StationActive[st] = true;
    SelectStation(st);
    SelStation = st;
    TrendDrawnStation = 0;
    PollPhase = StatusPhase;
    PollStation = st;
    TargetAddr = StationAddr[st];
    FirstSettingsRead = true;
    timer1_.start();
    // The stations before may still have a request on the line (cancelled and connected again
    // in one go): its reply is theirs, and the first request of this cycle goes when it ends.
    if (exchange_.Outstanding()) {
        exchange_.Disown();
        return;
    }
    NextRequest();
}

void PollEngine::CancelStation(int st) {
    if (!StationConnected[st]) return;
    // A single write waiting for the selected station was composed for that controller; it
    // must not go out once the station is gone (nor be charged to the next one selected).
    if (st == SelStation && !Broadcasting) WritePending = UnlockFirst = false;
    TrendIndex[st] = 0;
    StationActive[st] = false;
    StationConnected[st] = false;
    ClearStation(st);
    --ConnectedCount;
    StopTransfersOf(st);
    if (ConnectedCount != 0) return;
    timer1_.stop();
    emit lastStationGone();
}

void PollEngine::AddressEdited(int st, int address) {
    EditedAddr[st] = address;
    StationSetChanged = true;
    if (st == SelStation) TrendDrawnStation = 0;
    TrendIndex[st] = 0;
    TrendWrapped[st] = false;
}

void PollEngine::SetRunLed(int st, LampColour colour) {
    if (faces_[st].runLed == colour) return;
    faces_[st].runLed = colour;
    emit faceChanged(st);
}

int PollEngine::FirstStation(const PerStation<bool>& flags) const {
    for (int st = 1; st <= Stations; ++st)
        if (flags[st]) return st;
    return 0;
}

void PollEngine::ResetCounters(int st) {
    if (st < 1 || st > Stations) return;
    stats_[st].Reset();
    RequestCount[st] = 0;
    ErrorCount[st] = 0;
    emit countersChanged(st);
}

void PollEngine::WindowClosed() {
    InterruptTransfers(TransferStop::WindowClosed);
    timer1_.stop();
}

// ---- A line that goes and comes back ----

void PollEngine::ShowLineDown() {
    // Nothing is on the line any more; the stations stay connected, and nobody may take their
    // last values for live ones.
    RequestOutstanding = false;
    for (int st = 1; st <= Stations; ++st) {
        if (!StationConnected[st]) continue;
        StationFace& face = faces_[st];
        face.pvText = face.svText = QString::fromLatin1(NotReadText);
        face.pvIsStatus = false;
        face.lamps.fill(LampColour::Grey);
        face.runLed = LampColour::Red;
        face.out1 = face.out2 = 0;
        emit faceChanged(st);
    }
}

void PollEngine::LineBack() {
    if (ConnectedCount == 0) return;
    // A controller may have been powered off with the line: a whole cycle, then its settings.
    StationSetChanged = false;
    RestartCycle();
    SettingsReread = true;
    if (!RequestOutstanding) NextRequest();
}

// ---- Writes and reads between the polls ----

void PollEngine::QueueWrite(const QByteArray& frame, bool unlockFirst) {
    WriteFrame = frame;
    writeOwner_ = nullptr;
    if (unlockFirst) UnlockFirst = true;
    WritePending = true;
}

void PollEngine::DecideUnlock(bool unlockFirst) {
    UnlockFirst = unlockFirst;
}

void PollEngine::RequestSettingsReread() {
    SettingsReread = true;
}

void PollEngine::SetFileRoutines(std::function<void()> save, std::function<void()> open) {
    saveRoutine_ = std::move(save);
    openRoutine_ = std::move(open);
}

void PollEngine::RequestSave() {
    SaveRequested = true;
    // Nothing on the line (none polled, the chain stopped, the line gone): no turn may come
    // soon, and none is needed.
    if (!exchange_.Outstanding()) RunFileRoutines();
}

void PollEngine::RequestOpen() {
    OpenRequested = true;
    if (!exchange_.Outstanding()) RunFileRoutines();
}

void PollEngine::LoadBuffer(const ParamImage& image) {
    ParamBuffer = image;
    BufferLoaded = true;
}

// ---- One turn ----

void PollEngine::RunFileRoutines() {
    // A click while a routine's dialog is open asks again; it is not a second dialog on top.
    if ((!SaveRequested && !OpenRequested) || routinesRunning_) return;
    const QScopedValueRollback running(routinesRunning_, true);
    // Their dialogs' event loop goes on delivering Timer1: a turn it started while the chain
    // was stopped would open the same dialog again, and then put a second request on the line.
    const QScopedValueRollback outstanding(RequestOutstanding, true);
    if (SaveRequested && saveRoutine_) saveRoutine_();
    if (OpenRequested && openRoutine_) openRoutine_();
}

void PollEngine::NextRequest() {
    // File dialogs run here, between two exchanges, so no reply is awaited while they are open.
    RunFileRoutines();
    // The line is being opened again: the poll resumes when it is back.
    if (exchange_.LineDown()) {
        RequestOutstanding = false;
        return;
    }
    KeepTransfersOnTheirStations();
    // A write transfer composes the write this very turn sends. The write-back goes on whatever
    // is pending, and its last frame is followed by the poll; the program write waits for a
    // write-back to end, and for a pending write (its own unanswered one goes again, the
    // Monitor's goes first).
    if (BufferWriting) {
        if (!QueueTransferWrite(writeBack_)) {
            // The last write failed: no echo ended the sequence, so it ends here, as after one.
            EndBufferWrite();
            RestartCycle();
            SettingsReread = true;
        }
    } else if (PatternWriting && !WritePending && !UnlockFirst) {
        QueueTransferWrite(*patternWrite_);
    }
    if (ConnectedCount == 0) return;

    // A pending write pre-empts the poll without moving it: the poll resumes where it stood.
    if (WritePending || UnlockFirst) {
        RequestStation = SelStation;
        TargetAddr = StationAddr[SelStation];
        ++RequestCount[SelStation];
        readOnLine_ = nullptr;
        SendWrite();
        return;
    }
    const bool selected = PollPhase >= FirstSettingsPhase || BufferReading || PatternReading;
    // A station cancelled while its request was out is not asked again: the poll moves on.
    if (!selected && ConnectedCount != 0 && PollStation >= 1 && PollStation <= Stations &&
        !StationActive[PollStation])
        AdvancePoll();
    RequestStation = selected ? SelStation : PollStation;
    if (RequestStation < 1 || RequestStation > Stations) return;
    TargetAddr = StationAddr[RequestStation];
    ++RequestCount[RequestStation];
    // A parameter read pre-empts a program read, which keeps its place meanwhile.
    readOnLine_ = BufferReading ? &paramRead_ : PatternReading ? patternRead_ : nullptr;
    const std::optional<ReadBlock> block =
        readOnLine_ ? readOnLine_->NextRequest().read : PhaseBlock(PollPhase);
    if (block) SendRead(block->first, block->count);
}

void PollEngine::SendRead(int firstRegister, int count) {
    unlockOnLine_ = false;
    SendFrame(ReadRequest(TargetAddr, firstRegister, count));
}

void PollEngine::SendWrite() {
    unlockOnLine_ = UnlockFirst;
    writeOnLine_ = UnlockFirst ? nullptr : writeOwner_;
    SendFrame(UnlockFirst ? WriteRequest(TargetAddr, reg::FirmwareKey, reg::UnlockCode)
                          : WriteFrame);
}

void PollEngine::SendFrame(const QByteArray& asciiText) {
    const QByteArray frame = settings_.Rtu() ? AsciiToRtu(asciiText) : asciiText;
    // Set before sending: a line that refuses the frame leaves the chain stopped, with one
    // message, rather than retried every second.
    RequestOutstanding = true;
    try {
        // Every byte restarts the time-out, so in RTU it measures the silence after the last.
        exchange_.Send(frame, settings_.framing, ReplyEndPolicy::FrameEnd,
                       {ReplyTicks, ReplyTicks});
    } catch (const Error& error) {
        // The station is not being read: its lamp must not stay lime.
        if (RequestStation >= 1 && RequestStation <= Stations)
            SetRunLed(RequestStation, LampColour::Red);
        emit lineFailed(error.text());
    }
}

// ---- Replies ----

void PollEngine::ReplyEnded(const QByteArray& frame, bool timedOut) {
    const bool rtu = Rtu();
    // No controller answers address 0: each broadcast frame ends at its time-out, or in RTU at
    // the silence after whatever noise came.
    if (Broadcasting && (timedOut || rtu)) return BroadcastFrameEnded();
    if (ConnectedCount == 0 && (timedOut || rtu)) {
        // The last station went while its request was out: nobody is left to charge.
        RequestOutstanding = false;
        return;
    }
    // No reply at all is a time-out in both framings: in RTU too the station is charged, and
    // dropped after three in a row, so that the chain always moves on to the others.
    if (timedOut && (!rtu || frame.isEmpty())) {
        TallyTransferRead(false, ResultTimeOut);
        ReportResult(ResultTimeOut);
        if (ConnectedCount != 0) NextRequest();
        return;
    }
    // RTU: a whole frame, or what the silence ended. Judged against the request as it went out.
    HandleReply(JudgeReply(frame, exchange_.Request(), TargetAddr, rtu), frame.isEmpty());
}

void PollEngine::BroadcastFrameEnded() {
    writeBack_.TakeReply(TransferReply::Echo());
    if (writeBack_.AllSent()) {
        EndBufferWrite();
        RestartCycle();
        SettingsReread = true;
    }
    if (ConnectedCount != 0) NextRequest();
}

void PollEngine::HandleReply(const MonitorReply& reply, bool silence) {
    int result = ResultGood;
    switch (reply.verdict) {
    case ReplyVerdict::Unaddressed:
        if (silence) {
            // Silence in RTU: the chain stops until Timer1 restarts it.
            RequestOutstanding = false;
            TallyTransferRead(false, ResultGood);
            return;
        }
        // Bytes that are not this station's reply are a miss like a time-out: asked again,
        // charged, and the station dropped after as many in a row.
        result = ResultOtherAddress;
        break;
    case ReplyVerdict::Words:
        Dispatch(reply);
        break;
    case ReplyVerdict::EchoGood:
        GoodWriteEcho();
        break;
    case ReplyVerdict::EchoDiffers:
    case ReplyVerdict::WriteRefused:
        result = reply.errorCode;
        break;
    case ReplyVerdict::ReadRefused:
        result = reply.errorCode;
        PassRefusedRead();
        break;
    case ReplyVerdict::Garbled:
        result = ResultBadCheck;
        break;
    case ReplyVerdict::Ignored:
        result = ResultOtherFunction;
        break;
    }
    TallyTransferRead(reply.verdict == ReplyVerdict::Words, result);
    // Transfer modes switch only here, between two exchanges, so a reply to a poll never lands
    // in a transfer.
    if (BufferReadPending) {
        BeginBufferRead();
    } else if (PatternReadPending) {
        PatternReadPending = false;
        PatternReading = true;
    }
    ReportResult(result);
    NextRequest();
}

void PollEngine::Dispatch(const MonitorReply& reply) {
    // The words of a transfer's read are its own; a transfer stopped while its read was out
    // left the reply to the poll.
    if (readOnLine_) {
        TakeTransferWords(reply);
    } else if (PollPhase >= FirstSettingsPhase) {
        DecodeSettings(reply.words);
    } else {
        ShowStationValues(reply.words);
        AdvancePoll();
    }
}

void PollEngine::PassRefusedRead() {
    // A refusal is an answer: the chain moves on as after the words it stands for, so a
    // controller that refuses every read cannot keep the others from being polled. It is asked
    // again at its next turn; a settings block it refuses keeps what was shown of it. A
    // transfer's read is the transfer's to judge.
    if (readOnLine_) return;
    if (PollPhase >= FirstSettingsPhase) {
        if (++PollPhase > LastSettingsPhase) EndSettingsRead();
    } else {
        AdvancePoll();
    }
}

void PollEngine::GoodWriteEcho() {
    if (unlockOnLine_) {
        // The key is open: the write itself goes out at this reply's turn.
        UnlockFirst = false;
        return;
    }
    if (!WritePending) return;
    // While a write-back runs, every write that goes out is one of its own.
    if (BufferWriting && BufferWriteCount != 0) {
        writeBack_.TakeReply(TransferReply::Echo());
        if (writeBack_.AllSent()) EndBufferWrite();
    }
    if (!BufferWriting && !PatternWriting) {
        // Read back what the controller now holds, after the current cycle.
        RestartCycle();
        SettingsReread = true;
    }
    writeOwner_ = nullptr;
    WritePending = false;
    // The echo is of the write on the line, which may not be the one pending now.
    if (PatternWriting && writeOnLine_ != nullptr && writeOnLine_ == patternWrite_)
        patternWrite_->TakeReply(TransferReply::Echo());
}

void PollEngine::ReportResult(int result) {
    // The station the request went to answers for it, whatever the poll has moved on to.
    const int st = RequestStation;
    if (st < 1 || st > Stations) return;
    stats_[st].Count(OutcomeOf(result), exchange_.LastElapsedMs());
    if (result == ResultGood) {
        TimeoutCount[st] = 0;
    } else {
        emit errorReported(ResultText(result));
        // TimeoutCount counts the misses in a row, time-outs and replies that answer nothing.
        if (IsMissedReply(result) && ++TimeoutCount[st] >= TimeoutsToDrop) {
            TimeoutCount[st] = 0;
            const int address = StationAddr[st];
            CancelStation(st);
            emit stationDropped(st, address);
            if (ConnectedCount != 0) {
                RestartCycle();
            } else {
                ResetMonitor();
            }
        }
    }
    emit countersChanged(st);
    if (result == ResultGood) return;

    ++ErrorCount[st];
    SetRunLed(st, StationActive[st] ? LampColour::Red : LampColour::Grey);
    emit countersChanged(st);
    // A wrong address typed by the user is mended at once for that station.
    StationAddr[st] = EditedAddr[st];
    if (IsWriteFailure(result) && (WritePending || UnlockFirst)) {
        // The write is dropped; the boxes show what the controller really holds. The transfer
        // that composed it goes on with its next one.
        Transfer* const owner = WritePending ? std::exchange(writeOwner_, nullptr) : nullptr;
        WritePending = UnlockFirst = false;
        SettingsReread = true;
        emit writeRefused(WriteFrame, ResultText(result));
        if (owner) owner->TakeReply(TransferReply::Miss(result));
    }
}

// ---- The cycle ----

void PollEngine::AdvancePoll() {
    auto active = [this](int st) { return st >= 1 && st <= Stations && StationActive[st]; };
    // Program status is asked only of the stations that run a program, after the first of them
    // as before it.
    auto due = [&](int st) {
        return active(st) && (PollPhase != ProgramStatusPhase || ProgramRunning[st]);
    };
    ++PollStation;
    while (ConnectedCount != 0 && !due(PollStation)) {
        ++PollStation;
        if (PollStation > Stations) {
            ++PollPhase;
            PollStation = 1;
            // Program status only for the stations that run a program.
            while (PollPhase == ProgramStatusPhase &&
                   !(active(PollStation) && ProgramRunning[PollStation])) {
                if (++PollStation > Stations) {
                    PollPhase = ProcessValuesPhase;
                    PollStation = 1;
                }
            }
        }
        if (PollPhase > FirstSettingsPhase) {
            // No station is polled any more. Stations that wait to join take over at once
            // rather than being left connected but never polled.
            RestartCycle();
            StationSetChanged = false;
            if (FirstStation(StationActive) == 0) {
                PollPhase = StatusPhase;
                ConnectedCount = 0;
            }
            return;
        }
    }
    if (PollPhase <= ProcessValuesPhase) return;

    // The cycle is over: a change of stations first, then a settings read if one is due.
    if (StationSetChanged) {
        StationActive = StationConnected;
        RestartCycle();
        StationSetChanged = false;
    } else if (SettingsReread) {
        SettingsReread = false;
        PollPhase = FirstSettingsPhase;
    } else {
        RestartCycle();
    }
}

void PollEngine::RestartCycle() {
    StationActive = StationConnected;
    if (const int first = FirstStation(StationActive)) PollStation = first;
    bool selectedMoved = false;
    for (int st = 1; st <= Stations; ++st) {
        if (EditedAddr[st] == StationAddr[st]) continue;
        StationAddr[st] = EditedAddr[st];
        TrendIndex[st] = 0;
        selectedMoved = selectedMoved || st == SelStation;
    }
    if (selectedMoved) {
        // Another controller answers now: its settings replace the old ones.
        emit selectedAddressChanged();
        SettingsReread = true;
    }
    PollPhase = StatusPhase;
}

// ---- Display of replies ----

void PollEngine::ShowStationValues(const ReplyWordArray& w) {
    const int st = PollStation;
    if (st < 1 || st > Stations || !StationActive[st]) return; // cancelled while asked
    StationFace& face = faces_[st];
    switch (PollPhase) {
    case StatusPhase:
        DecimalPoint[st] = w[0];
        CommWriteEnabled[st] = w[1] != 0;
        face.lamps = LampsOf(w[3]);
        if (st == SelStation && w[2] != AtState[st]) SettingsReread = true;
        AtState[st] = w[2];
        // The controller's own settings changed (front panel): show the new ones.
        if ((w[4] & 1) == 0 && st == SelStation) SettingsReread = true;
        FirmwareWord[st] = w[5];
        ProgramRunning[st] = w[6] == 1;
        break;
    case ProgramStatusPhase:
        if (st == SelStation) ProgDisplayMode = w[0];
        face.svText = ProgramStatusText(w, StationSV[st], DecimalPoint[st], ShownInputType);
        break;
    case ProcessValuesPhase: {
        int pv = w[0];
        if (IsStatusWord(pv)) {
            face.pvIsStatus = true;
            face.pvText = StatusText(pv);
            if (StatusAsksForSettings(pv)) SettingsReread = true;
            pv = 0; // the trend records no value
        } else {
            face.pvIsStatus = false;
            face.pvText = FormatProcessValue(pv, DecimalPoint[st], ShownInputType);
        }
        StationOut1[st] = w[2];
        StationOut2[st] = w[3];
        StationSV[st] = Signed16(w[1]);
        StationPV[st] = Signed16(pv);
        // While a program runs the SV edit keeps the program status.
        if (!ProgramRunning[st])
            face.svText = FormatProcessValue(w[1], DecimalPoint[st], ShownInputType);
        face.out1 = w[2];
        face.out2 = w[3];
        break;
    }
    default:
        return;
    }
    face.runLed = LampColour::Lime;
    emit faceChanged(st);
}

void PollEngine::DecodeSettings(const ReplyWordArray& words) {
    const int sel = SelStation;
    OneDecimal = PollPhase == CalibrationPhase || DecimalPoint[sel] == 1;
    if (PollPhase == FirstSettingsPhase) SetRunLed(sel, LampColour::Yellow);
    SettingsContext context;
    context.decimalPoint = DecimalPoint[sel];
    context.setValue = StationSV[sel];
    context.programRunning = ProgramRunning[sel];
    context.firmwareWord = FirmwareWord[sel];
    context.output1 = StationOut1[sel];
    context.output2 = StationOut2[sel];
    const SettingsBlock block = DecodeSettingsBlock(PollPhase, words, context);
    if (block.commWrite) CommWriteEnabled[sel] = *block.commWrite;
    if (block.inputType) {
        // What the box shows: an index beyond its items shows none.
        const int count = int(FindComboBox(QStringLiteral("InputType"))->items.size());
        ShownInputType = *block.inputType < count ? *block.inputType : -1;
    }
    // These blocks, and the calibration block, end on fields shown with one decimal.
    if (PollPhase == LimitsPhase || PollPhase == PidPhase || PollPhase == PeriodsPhase)
        OneDecimal = true;
    emit settingsDecoded(block);
    if (++PollPhase > LastSettingsPhase) EndSettingsRead();
}

void PollEngine::EndSettingsRead() {
    SettingsBlock at;
    at.values.append(BoxValue::Item("AT", AtState[SelStation]));
    emit settingsDecoded(at);
    emit settingsReadEnded(std::exchange(FirstSettingsRead, false));
    RestartCycle();
}

// ---- Transfers ----

PollEngine::TransferPin PollEngine::PinSelected() const {
    return {SelStation, StationAddr[SelStation]};
}

bool PollEngine::PinHolds(const TransferPin& pin) const {
    return SelStation == pin.station && StationConnected[pin.station] &&
           StationAddr[pin.station] == pin.address;
}

QString PollEngine::PinBroken(const TransferPin& pin) const {
    if (SelStation != pin.station) return tr("another station was selected");
    if (!StationConnected[pin.station])
        return tr("station %1 is no longer connected").arg(pin.station);
    return tr("the address of station %1 changed").arg(pin.station);
}

int PollEngine::TransferAddress(const Transfer& transfer) const {
    if (&transfer == patternRead_) return patternReadPin_.address;
    if (&transfer == patternWrite_) return patternWritePin_.address;
    if (&transfer == &paramRead_ && (BufferReadPending || BufferReading))
        return paramReadPin_.address;
    if (&transfer == &writeBack_ && BufferWriting) return writeBackPin_.address;
    return 0;
}

void PollEngine::KeepTransfersOnTheirStations() {
    // No turn goes anywhere while none is connected; the transfers were told when the last
    // station went.
    if (ConnectedCount == 0) return;
    // Before anything of them goes out. The program read is judged at its reply instead
    // (TakeTransferWords), and at once when the selection moves.
    const bool readMoved = (BufferReadPending || BufferReading) && !PinHolds(paramReadPin_);
    const bool writeMoved = BufferWriting && writeBack_.StationBound() && !PinHolds(writeBackPin_);
    if (readMoved || writeMoved)
        StopTransfers(PinBroken(readMoved ? paramReadPin_ : writeBackPin_));
    if (patternWrite_ && !PinHolds(patternWritePin_)) StopPatternWrite(PinBroken(patternWritePin_));
}

bool PollEngine::QueueTransferWrite(Transfer& transfer) {
    TransferRequest request = transfer.NextRequest();
    if (request.write.isEmpty()) return false;
    WriteFrame = std::move(request.write);
    WritePending = true;
    BufferWriteCount = request.count;
    writeOwner_ = &transfer;
    return true;
}

void PollEngine::TakeTransferWords(const MonitorReply& reply) {
    QList<quint16> words;
    for (int i = 0; i < reply.wordCount; ++i)
        words.append(quint16(reply.words[std::size_t(i)]));
    const TransferReply taken = TransferReply::Words(std::move(words));
    if (readOnLine_ == &paramRead_) {
        paramRead_.TakeReply(taken);
        BufferReadCount = paramRead_.Entries();
        if (paramRead_.Complete()) EndBufferRead();
        return;
    }
    // A program pieced together from two controllers is none: the reply must come from the
    // station and address the read began with.
    if (TargetAddr != patternReadPin_.address || !PinHolds(patternReadPin_))
        return StopPatternRead(PinBroken(patternReadPin_));
    readOnLine_->TakeReply(taken);
}

void PollEngine::TallyTransferRead(bool gotData, int errorCode) {
    Transfer* const read = std::exchange(readOnLine_, nullptr);
    if (read == nullptr || gotData) return;
    read->TakeReply(TransferReply::Miss(errorCode));
    if (read != &paramRead_) return;
    if (const std::optional<QString> why = paramRead_.GivenUp()) StopTransfers(*why);
}

// Load to Buffer

void PollEngine::StartBufferRead() {
    BufferReadPending = true;
    BufferReadCount = 0;
    paramReadPin_ = PinSelected();
}

void PollEngine::BeginBufferRead() {
    BufferReadPending = false;
    BufferReading = true;
    // Entries the controller does not hand out keep what the buffer holds.
    paramRead_.Begin(ParamBuffer);
    BufferReadCount = 0;
}

void PollEngine::EndBufferRead() {
    // Only a complete read reaches the buffer that is saved and written to controllers.
    BufferReading = false;
    readOnLine_ = nullptr;
    ParamBuffer = paramRead_.Image();
    knownMemory_[paramReadPin_.address] = ParamBuffer;
    emit uploadFinished();
    BufferLoaded = true;
    emit bufferLoaded();
}

// Write to Select and BroadCast

void PollEngine::StartBufferWrite(bool broadcast) {
    BufferWriting = true;
    BufferWriteCount = 0;
    Broadcasting = broadcast;
    writeBackPin_ = PinSelected();
    // The buffer as it is now: a file opened while the writes go out changes none of them.
    writeBack_.Begin(ParamBuffer, writeBackPin_.address, broadcast);
}

void PollEngine::EndBufferWrite() {
    BufferWriting = Broadcasting = WritePending = false;
    writeBack_.Finish();
}

std::optional<int> PollEngine::SettingsToChange(int address) const {
    const auto known = knownMemory_.find(address);
    if (known == knownMemory_.end()) return std::nullopt;
    int differ = 0;
    for (int k = 0; k < ParamWriteFrames; ++k)
        if (BufferWriteValue(ParamBuffer, k) != BufferWriteValue(known->second, k)) ++differ;
    return differ;
}

// The editor's program read and write

void PollEngine::StartPatternRead(Transfer& read, int patternStep) {
    patternRead_ = &read;
    patternReadPin_ = PinSelected();
    PatternStep = patternStep;
    PatternReadPending = true;
}

void PollEngine::EndPatternRead() {
    PatternReadPending = PatternReading = false;
    if (readOnLine_ == patternRead_) readOnLine_ = nullptr;
    patternRead_ = nullptr;
}

void PollEngine::StartPatternWrite(Transfer& write) {
    patternWrite_ = &write;
    patternWritePin_ = PinSelected();
    PatternWriting = true;
}

void PollEngine::EndPatternWrite() {
    // Its frame must not go out to whichever station is selected next, nor an echo or refusal
    // be taken for a write that has ended.
    if (writeOwner_ != nullptr && writeOwner_ == patternWrite_) {
        WritePending = false;
        writeOwner_ = nullptr;
    }
    if (writeOnLine_ == patternWrite_) writeOnLine_ = nullptr;
    PatternWriting = false;
    patternWrite_ = nullptr;
}

// Transfers cut short

void PollEngine::StopTransfersOf(int cancelled) {
    if (!TransferRunning()) return;
    const bool itsStation =
        ((BufferReadPending || BufferReading) && paramReadPin_.station == cancelled) ||
        (BufferWriting && writeBack_.StationBound() && writeBackPin_.station == cancelled);
    if (itsStation) {
        StopTransfers(tr("station %1 is no longer connected").arg(cancelled));
    } else if (ConnectedCount == 0) {
        // A broadcast needs no station, but the engine sends nothing while none is connected.
        StopTransfers(tr("no station is connected any more"));
    }
}

void PollEngine::InterruptTransfers(TransferStop why) {
    // No turn comes any more to go on with any of them: they say so now, not never.
    const QString reason =
        why == TransferStop::LineLost ? tr("the line was lost") : tr("the window was closed");
    StopPatternRead(reason);
    StopPatternWrite(reason);
    if (TransferRunning()) StopTransfers(reason);
}

void PollEngine::StopTransfers(const QString& reason) {
    QStringList lines;
    if (BufferWriting) lines << writeBack_.Stop(reason);
    if (BufferReadPending || BufferReading) lines << paramRead_.Stop(reason);
    if (BufferWriting) {
        BufferWriting = Broadcasting = WritePending = false;
        // Show what the controller holds now that only part of the settings went in.
        SettingsReread = true;
    }
    BufferReadPending = BufferReading = false;
    if (readOnLine_ == &paramRead_) readOnLine_ = nullptr;
    emit uploadFinished();
    emit opPanelEnabled();
    emit transferStopped(lines.join(QLatin1Char('\n')));
}

void PollEngine::StopPatternRead(const QString& reason) {
    Transfer* const read = patternRead_;
    if (read == nullptr) return;
    EndPatternRead();
    read->Stop(reason);
}

void PollEngine::StopPatternWrite(const QString& reason) {
    Transfer* const write = patternWrite_;
    if (write == nullptr) return;
    EndPatternWrite();
    write->Stop(reason);
}

// ---- Timer1 and the trend ----

void PollEngine::Timer1Timer() {
    // No sample while the line is gone: the trend shows no old value as a new one.
    if (ConnectedCount == 0 || exchange_.LineDown()) return;
    if (!RequestOutstanding) {
        NextRequest(); // the chain had stopped; no sample at this tick
        return;
    }
    SampleTrends(*this);
    const int sel = SelStation;
    if (TrendIndex[sel] > 0 || TrendWrapped[sel]) emit trendSampled(TrendDrawnStation != sel);
    AdvanceTrends(*this);
}

namespace {

void SampleTrend(MonitorState& s, int st) {
    auto& history = s.TrendHistory[st];
    auto& setValues = s.TrendSvHistory[st];
    auto& stamps = s.TrendStamps[st];
    const int value = s.StationPV[st];
    const auto at = std::size_t(s.TrendIndex[st]);
    history[at] = value;
    setValues[at] = s.StationSV[st];
    stamps[at] = Clock::Current().Milliseconds();
    if (s.TrendIndex[st] <= 1 && !s.TrendWrapped[st]) {
        s.TrendMax[st] = s.TrendMin[st] = value;
    } else {
        s.TrendMax[st] = std::max(s.TrendMax[st], value);
        s.TrendMin[st] = std::min(s.TrendMin[st], value);
    }
    if (s.TrendIndex[st] < MonitorTrendLength) return;
    // The ring is full: the sample at 720 becomes position 0 and the oldest one leaves.
    s.TrendIndex[st] = 0;
    history[0] = history[MonitorTrendLength];
    setValues[0] = setValues[MonitorTrendLength];
    stamps[0] = stamps[MonitorTrendLength];
    s.TrendWrapped[st] = true;
    const auto [low, high] =
        std::minmax_element(history.begin(), history.begin() + MonitorTrendLength);
    if (st == s.SelStation) {
        if (TrendRescaleDue(s.TrendMax[st], s.TrendMin[st], *high, *low)) {
            s.TrendDrawnStation = 0;
            s.TrendMax[st] = *high;
            s.TrendMin[st] = *low;
        }
    } else {
        // Not on the chart: the next full drawing of it scales to what it then shows.
        s.TrendMax[st] = *high;
        s.TrendMin[st] = *low;
    }
}

} // namespace

void SampleTrends(MonitorState& state) {
    for (int st = 1; st <= MonitorStations; ++st)
        if (state.StationActive[st]) SampleTrend(state, st);
}

void AdvanceTrends(MonitorState& state) {
    for (int st = 1; st <= MonitorStations; ++st)
        if (state.StationActive[st]) ++state.TrendIndex[st];
}

} // namespace vrx
