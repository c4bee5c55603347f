// The polling engine: the station model, turns, sends, replies and results. The cycle's order
// is PollCycle's, which transfer goes the TransferQueue's.
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

// Only a frame that passed its check, or the exact echo, shows that a controller hears the line:
// what a line at the wrong speed, format or framing makes of a reply does not.
bool IsAnswer(ReplyVerdict verdict) {
    switch (verdict) {
    case ReplyVerdict::Words:
    case ReplyVerdict::EchoGood:
    case ReplyVerdict::WriteRefused:
    case ReplyVerdict::ReadRefused:
        return true;
    case ReplyVerdict::Unaddressed:
    case ReplyVerdict::Garbled:
    case ReplyVerdict::EchoDiffers:
    case ReplyVerdict::Ignored:
        return false;
    }
    return false;
}

} // namespace

int MonitorReplyTicks(const LineSettings& s) {
    return s.Rtu() ? RtuSilenceTicks(s) : 36;
}

PollEngine::PollEngine(LineOwner& line, QObject* parent)
    : QObject(parent), exchange_(line, QString::fromLatin1(LineTool)) {
    SetLineSettings(settings_);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    timer1_.setInterval(1000);
    connect(&timer1_, &ClockTimer::timeout, this, GuardedSlot(this, &PollEngine::Timer1Timer));
    // Each request's end comes back with it; a lost line is said to the tool below, whether or
    // not it had a request out.
    connect(&exchange_, &Exchange::answered, this,
            [this](const Reply& reply) { Guarded([&] { ReplyEnded(reply); }); });
    connect(&exchange_, &Exchange::lineLost, this, [this] {
        Guarded([this] {
            InterruptTransfers(TransferStop::LineLost);
            ShowLineDown();
        });
    });
    connect(&exchange_, &Exchange::lineRestored, this, GuardedSlot(this, &PollEngine::LineBack));
    WireTransfers();
}

void PollEngine::WireTransfers() {
    connect(&queue_, &TransferQueue::progress, this, &PollEngine::uploadProgress);
    connect(&queue_, &TransferQueue::bufferRead, this, [this](const ParamImage& image) {
        ParamBuffer = image;
        emit uploadFinished();
        BufferLoaded = true;
        emit bufferLoaded();
    });
    connect(&queue_, &TransferQueue::writeBackEnded, this, [this](const WriteBackEnd& end) {
        WritePending = false;
        emit uploadFinished();
        if (end.broadcast) emit opPanelEnabled();
        if (end.done) {
            emit transferDone(end.text);
        } else {
            emit transferStopped(end.text);
        }
    });
    connect(&queue_, &TransferQueue::paramTransfersStopped, this,
            [this](const QString& text, bool writing) {
                if (writing) {
                    WritePending = false;
                    // Show what the controller holds now that only part of the settings went in.
                    SettingsReread = true;
                }
                emit uploadFinished();
                emit opPanelEnabled();
                emit transferStopped(text);
            });
    connect(&queue_, &TransferQueue::writeWithdrawn, this, [this] { WritePending = false; });
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
    for (bool* flag :
         {&StationSetChanged, &OneDecimal, &SettingsReread, &FirstSettingsRead, &UnlockFirst,
          &WritePending, &SaveRequested, &OpenRequested, &RequestOutstanding, &BufferLoaded})
        *flag = false;
    for (int st = 1; st <= Stations; ++st) {
        StationActive[st] = StationConnected[st] = CommWriteEnabled[st] = TrendWrapped[st] = false;
        DecimalPoint[st] = TrendIndex[st] = ErrorCount[st] = RequestCount[st] = 0;
        TimeoutCount[st] = 0;
    }
    ParamBuffer = {};
    // Nobody is left for the editor's transfers to go on with.
    queue_.Reset(tr("no station is connected any more"));
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
    queue_.SelectionMoved(st, connected);
    emit selectionMoved(st, connected);
}

void PollEngine::ConnectStation(int st) {
    if (StationConnected[st]) return;
    ++ConnectedCount;
    TrendIndex[st] = 0;
    TrendWrapped[st] = false;
    StationConnected[st] = true;
    if (ConnectedCount != 1) {
        // Its drop must not be said once it is polled again.
        answers_.Reconnected(st);
        // Joins when the cycle in progress ends.
        StationSetChanged = true;
        return;
    }
    answers_.Restart();
    StationAddr = EditedAddr;
    StationActive[st] = true;
    SelectStation(st);
    SelStation = st;
    TrendDrawnStation = 0;
    Begin(st);
    TargetAddr = StationAddr[st];
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
    queue_.StationCancelled(st);
    if (ConnectedCount != 0) return;
    timer1_.stop();
    if (answers_.LastCancelled()) emit noControllerAnswers();
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
    queue_.OwnWriteQueued();
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
    queue_.KeepOnTheirStations();
    // A write transfer composes the write this very turn sends.
    const TransferQueue::WriteTurn turn = queue_.NextWrite(WritePending || UnlockFirst);
    if (turn.write) {
        WriteFrame = *turn.write;
        WritePending = true;
    } else if (turn.writeBackThrough) {
        RestartCycle();
        SettingsReread = true;
    }
    if (ConnectedCount == 0) return;

    // A pending write pre-empts the poll without moving it: the poll resumes where it stood.
    if (WritePending || UnlockFirst) {
        RequestStation = SelStation;
        TargetAddr = StationAddr[SelStation];
        ++RequestCount[SelStation];
        queue_.WriteGoesOut(UnlockFirst);
        SendWrite();
        return;
    }
    const bool selected = ReadsSettings() || queue_.ReadsSelected();
    // A station cancelled while its request was out is not asked again: the poll moves on.
    if (!selected && ConnectedCount != 0 && PollStation >= 1 && PollStation <= Stations &&
        !StationActive[PollStation])
        AdvancePoll();
    RequestStation = selected ? SelStation : PollStation;
    if (RequestStation < 1 || RequestStation > Stations) return;
    TargetAddr = StationAddr[RequestStation];
    ++RequestCount[RequestStation];
    // A transfer's read goes instead of the poll, which keeps its place.
    if (const std::optional<ReadBlock> block = queue_.NextRead(PhaseBlock(PollPhase)))
        SendRead(block->first, block->count);
}

void PollEngine::SendRead(int firstRegister, int count) {
    unlockOnLine_ = false;
    SendRequest(Request::Read(TargetAddr, firstRegister, count));
}

void PollEngine::SendWrite() {
    unlockOnLine_ = UnlockFirst;
    SendRequest(UnlockFirst ? Request::Write(TargetAddr, reg::FirmwareKey, reg::UnlockCode)
                            : Request::Text(WriteFrame));
}

void PollEngine::SendRequest(const Request& request) {
    // Set before sending: a line that refuses the frame leaves the chain stopped, with one
    // message, rather than retried every second.
    RequestOutstanding = true;
    try {
        // Every byte restarts the time-out, so in RTU it measures the silence after the last.
        exchange_.Send(request, ReplyEndPolicy::FrameEnd, {ReplyTicks, ReplyTicks});
    } catch (const Error& error) {
        // The station is not being read: its lamp must not stay lime.
        if (RequestStation >= 1 && RequestStation <= Stations)
            SetRunLed(RequestStation, LampColour::Red);
        emit lineFailed(error.text());
    }
}

// ---- Replies ----

void PollEngine::ReplyEnded(const Reply& reply) {
    switch (reply.kind) {
    case ReplyKind::Replied:
        return FrameEnded(reply.frame, false);
    case ReplyKind::TimedOut:
    case ReplyKind::NotSent:
        return FrameEnded(reply.frame, true);
    case ReplyKind::Freed:
        // A disowned request ended: the line is free for the next.
        RequestOutstanding = false;
        if (ConnectedCount != 0) NextRequest();
        return;
    case ReplyKind::LineLost:
        return; // the line's loss is handled as such
    }
}

void PollEngine::FrameEnded(const QByteArray& frame, bool timedOut) {
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
        queue_.ReadEnded(false, ResultTimeOut);
        ReportResult(ResultTimeOut);
        if (ConnectedCount != 0) NextRequest();
        return;
    }
    // RTU: a whole frame, or what the silence ended. Judged against the request as it went out.
    HandleReply(JudgeReply(frame, exchange_.Request(), TargetAddr, rtu), frame.isEmpty());
}

void PollEngine::BroadcastFrameEnded() {
    if (queue_.BroadcastFrameEnded()) {
        RestartCycle();
        SettingsReread = true;
    }
    if (ConnectedCount != 0) NextRequest();
}

void PollEngine::HandleReply(const MonitorReply& reply, bool silence) {
    if (IsAnswer(reply.verdict)) StationAnswered();
    int result = ResultGood;
    switch (reply.verdict) {
    case ReplyVerdict::Unaddressed:
        if (silence) {
            // Silence in RTU: the chain stops until Timer1 restarts it.
            RequestOutstanding = false;
            queue_.ReadEnded(false, ResultGood);
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
    queue_.ReadEnded(reply.verdict == ReplyVerdict::Words, result);
    queue_.StartWaitingReads();
    ReportResult(result, reply.exceptionCode);
    NextRequest();
}

void PollEngine::StationAnswered() {
    if (answers_.AnyAnswered()) return;
    for (const DroppedStation& dropped : answers_.Answered())
        emit stationDropped(dropped.station, dropped.address);
}

void PollEngine::Dispatch(const MonitorReply& reply) {
    // The words of a transfer's read are its own; a transfer stopped while its read was out
    // left the reply to the poll.
    if (queue_.ReadOnLine()) {
        QList<quint16> words;
        for (int i = 0; i < reply.wordCount; ++i)
            words.append(quint16(reply.words[std::size_t(i)]));
        queue_.TakeWords(words, TargetAddr);
    } else if (ReadsSettings()) {
        DecodeSettings(reply.words);
    } else {
        ShowStationValues(reply);
        AdvancePoll();
    }
}

void PollEngine::PassRefusedRead() {
    // A refusal is an answer: the chain moves on as after the words it stands for, so a
    // controller that refuses every read cannot keep the others from being polled. It is asked
    // again at its next turn; a settings block it refuses keeps what was shown of it. A
    // transfer's read is the transfer's to judge.
    if (queue_.ReadOnLine()) return;
    if (ReadsSettings()) {
        if (SettingsBlockDone()) EndSettingsRead();
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
    queue_.TakeWriteBackEcho();
    if (!BufferWriting && !PatternWriting) {
        // Read back what the controller now holds, after the current cycle.
        RestartCycle();
        SettingsReread = true;
    }
    WritePending = false;
    queue_.PendingWriteEchoed();
}

void PollEngine::ReportResult(int result, int exception) {
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
            // The editor's transfers on it end for what really happened, not for the
            // selection that moves away from it next.
            queue_.StationDropped(st, tr("address %1 stopped answering (%2)")
                                          .arg(address)
                                          .arg(ResultText(result).trimmed()));
            // Decided before the cancel: the others still connected are those still tried.
            const AnswerWatch::Say say = answers_.Dropped({st, address}, ConnectedCount > 1);
            CancelStation(st);
            if (say == AnswerWatch::Say::Station) {
                emit stationDropped(st, address);
            } else if (say == AnswerWatch::Say::Line) {
                emit noControllerAnswers();
            }
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
        const bool pending = WritePending;
        WritePending = UnlockFirst = false;
        SettingsReread = true;
        emit writeRefused(WriteFrame, ResultText(result));
        queue_.PendingWriteRefused(pending, result, exception);
    }
}

// ---- The cycle ----

void PollEngine::AdvancePoll() {
    CycleStations stations;
    stations.active = StationActive;
    stations.programRunning = ProgramRunning;
    stations.anyConnected = ConnectedCount != 0;
    switch (Advance(stations)) {
    case CycleStep::Polling:
    case CycleStep::ReadSettings:
        return;
    case CycleStep::NoneDue:
        // No station is polled any more. Stations that wait to join take over at once rather
        // than being left connected but never polled.
        RestartCycle();
        StationSetChanged = false;
        if (FirstStation(StationActive) == 0) {
            PollPhase = StatusPhase;
            ConnectedCount = 0;
        }
        return;
    case CycleStep::StationsChange:
        StationActive = StationConnected;
        RestartCycle();
        StationSetChanged = false;
        return;
    case CycleStep::Restart:
        RestartCycle();
        return;
    }
}

void PollEngine::RestartCycle() {
    StationActive = StationConnected;
    const int first = FirstStation(StationActive);
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
    Restart(first);
}

// ---- Display of replies ----

void PollEngine::ShowStationValues(const MonitorReply& reply) {
    const int st = PollStation;
    if (st < 1 || st > Stations || !StationActive[st]) return; // cancelled while asked
    const StationValues before{DecimalPoint[st], CommWriteEnabled[st], AtState[st],
                               FirmwareWord[st], ProgramRunning[st],   StationPV[st],
                               StationSV[st],    StationOut1[st],      StationOut2[st]};
    if (PollPhase > ProcessValuesPhase) return;
    if (AsksForSettings(PollPhase, reply, before, st == SelStation)) SettingsReread = true;
    if (PollPhase == ProgramStatusPhase && st == SelStation) ProgDisplayMode = reply.words[0];
    faces_[st] = FaceFor(PollPhase, reply, before, faces_[st], ShownInputType);
    const StationValues now = ValuesFor(PollPhase, reply, before);
    DecimalPoint[st] = now.decimalPoint;
    CommWriteEnabled[st] = now.commWriteEnabled;
    AtState[st] = now.atState;
    FirmwareWord[st] = now.firmwareWord;
    ProgramRunning[st] = now.programRunning;
    StationPV[st] = now.pv;
    StationSV[st] = now.sv;
    StationOut1[st] = now.out1;
    StationOut2[st] = now.out2;
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
    if (SettingsBlockDone()) EndSettingsRead();
}

void PollEngine::EndSettingsRead() {
    SettingsBlock at;
    at.values.append(BoxValue::Item("AT", AtState[SelStation]));
    emit settingsDecoded(at);
    emit settingsReadEnded(std::exchange(FirstSettingsRead, false));
    RestartCycle();
}

// ---- Transfers ----

void PollEngine::InterruptTransfers(TransferStop why) {
    // No turn comes any more to go on with any of them: they say so now, not never.
    queue_.Interrupt(why == TransferStop::LineLost ? tr("the line was lost")
                                                   : tr("the window was closed"));
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

} // namespace vrx
