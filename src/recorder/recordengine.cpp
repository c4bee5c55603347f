// The acquisition cycle of the Recorder.
#include "recordengine.h"

#include "errors.h"
#include "framecodec.h"
#include "registers.h"
#include "replyend.h"

namespace vrx {

namespace {
// After the first byte, a reply ends after this much silence (ASCII: a reply without its LF
// fails after it).
constexpr int SilenceTicks = 9;
constexpr int SampleWords = 2; // process value and set value
} // namespace

RecordEngine::RecordEngine(SerialPort& port, SettingsSource settings, QObject* parent)
    : QObject(parent), port_(port), settings_(std::move(settings)),
      timeOfDay_([] { return QTime::currentTime(); }) {
    Timer1 = new ClockTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &ClockTimer::timeout, this, &RecordEngine::Timer1Timer);
}

bool RecordEngine::Rtu() const {
    return IsRtu(settings_());
}

int RecordEngine::NextUsed(int from) const {
    for (int p = from; p < DevicePositions; ++p)
        if (DeviceAddr[std::size_t(p)] != 0) return p;
    return -1;
}

bool RecordEngine::Start(const Addresses& addresses, int seconds) {
    DeviceAddr = addresses;
    SampleCount = 0;
    const int first = NextUsed(0);
    if (first < 0) return false;
    PollIndex = quint16(first);
    FailCount.fill(0);
    cycle_ = {};
    Samples.Clear();
    Running = true;
    Timer1->setInterval(seconds * 1000);
    if (!AwaitingReply) SendSampleRequest();
    if (Running) Timer1->start();
    return true;
}

void RecordEngine::Stop() {
    Timer1->stop();
    AwaitingReply = false;
    Running = false;
}

void RecordEngine::Timer1Timer() {
    if (!Running) {
        Timer1->stop();
        return;
    }
    // A line that went away took its reply timer with it: nothing is awaited any more.
    if (!port_.Open()) AwaitingReply = false;
    if (!AwaitingReply) SendSampleRequest();
}

void RecordEngine::SendSampleRequest() {
    ReplyBuffer.clear();
    RequestText = ReadRequest(DeviceAddr[PollIndex], reg::ProcessValue, SampleWords);
    const ComSelections settings = settings_();
    if (IsRtu(settings)) RequestText = AsciiToRtu(RequestText);
    try {
        if (!port_.Open()) {
            port_.SetOpen(true);
            ReplyTimerId = port_.AddTimer();
        }
        port_.SendText(RequestText);
        port_.SetTimer(ReplyTimerId, RecorderReplyTicks(settings), true);
        AwaitingReply = true;
    } catch (const Error& error) {
        // Every later tick would fail the same way: stop, and say it once.
        Stop();
        emit lineFailed(error.text());
    }
}

void RecordEngine::Disarm() {
    if (port_.Open()) port_.SetTimer(ReplyTimerId, 0, false);
}

void RecordEngine::PortTrigger(PortEvent kind, quint16 id, quint16 count) {
    if (kind == PortEvent::DataAvailable) {
        for (quint16 i = 0; i < count; ++i) {
            LastChar = port_.ReadChar();
            if (ReplyBuffer.size() < ReplyLimit) ReplyBuffer.append(char(LastChar));
        }
        // Bytes that answer nothing (a late reply, noise between cycles) must not start a
        // time-out that would send a second request.
        if (!AwaitingReply) {
            ReplyBuffer.clear();
            return;
        }
        port_.SetTimer(ReplyTimerId, SilenceTicks, true);
        if (!Rtu()) {
            // The LF ends a reply only when it is the last byte that has come.
            if (LastChar != '\n') return;
            Disarm();
            AwaitingReply = false;
            FailCount[PollIndex] = 0;
            HandleReply(ReplyBuffer);
            return;
        }
        if (!earlyRtuEnd_) return;
        const ReplyEnd end = FindReplyEnd(ReplyBuffer, RequestText, true);
        if (end.state != ReplyEndState::Complete) return;
        Disarm();
        AwaitingReply = false;
        FailCount[PollIndex] = 0;
        HandleReply(ReplyBuffer.first(end.length));
        return;
    }
    if (kind != PortEvent::TimerExpired || id != ReplyTimerId || !AwaitingReply) return;
    Disarm();
    if (Rtu() && !ReplyBuffer.isEmpty()) {
        // The silence ends the frame.
        AwaitingReply = false;
        FailCount[PollIndex] = 0;
        HandleReply(ReplyBuffer);
        return;
    }
    FailAttempt();
}

void RecordEngine::FailAttempt() {
    ReplyBuffer.clear();
    ++FailCount[PollIndex];
    AwaitingReply = false;
    if (FailCount[PollIndex] > MaxFailures) {
        const int lost = DeviceAddr[PollIndex];
        QList<int> dropped;
        for (int p = 0; p < DevicePositions; ++p) {
            if (DeviceAddr[std::size_t(p)] != lost) continue;
            DeviceAddr[std::size_t(p)] = 0;
            dropped.append(p);
        }
        // Only positions above are searched: with none left the recording ends.
        const int next = NextUsed(PollIndex);
        if (next < 0) {
            Stop();
        } else {
            PollIndex = quint16(next);
        }
        emit devicesDropped(dropped, next < 0);
    }
    // The window's message box may have let a tick send meanwhile: one request at a time.
    if (Running && !AwaitingReply) SendSampleRequest();
}

void RecordEngine::HandleReply(const QByteArray& frame) {
    if (!Running) return;
    const int address = DeviceAddr[PollIndex];
    const ReadReply reply = Rtu() ? CheckRtuReply(frame, address) : CheckAsciiReply(frame, address);
    switch (reply.status) {
    case ReplyStatus::NotAddressed:
    case ReplyStatus::BadFrame:
        // Ignored and not counted: the next tick asks the same position again.
        return;
    case ReplyStatus::Exception:
    case ReplyStatus::OtherFunction:
        // Refused, not lost: ask again at once.
        if (!AwaitingReply) SendSampleRequest();
        return;
    case ReplyStatus::Good:
        break;
    }
    // A read of two registers carries exactly two words; any other count answers something
    // else, and is treated as a bad frame.
    if (reply.words.size() != SampleWords) return;
    DeviceReading& reading = cycle_[PollIndex];
    reading.answered = true;
    reading.pv = qint16(reply.words[0]);
    reading.sv = qint16(reply.words[1]);
    Samples.At(PollIndex, SampleCount) = reading.pv;

    const int next = NextUsed(PollIndex + 1);
    if (next >= 0) {
        PollIndex = quint16(next);
        if (!AwaitingReply) SendSampleRequest();
        return;
    }
    CompleteCycle();
}

void RecordEngine::CompleteCycle() {
    PollIndex = quint16(qMax(0, NextUsed(0)));
    CycleReport report;
    report.at = timeOfDay_();
    report.readings = cycle_;
    cycle_ = {};
    ++SampleCount;
    if (SampleCount > WindowColumns) {
        // The 601st sample opens the next window at its left edge.
        SampleCount = 1;
        for (int p = 0; p < DevicePositions; ++p) {
            if (DeviceAddr[std::size_t(p)] != 0) Samples.At(p, 0) = Samples.At(p, WindowColumns);
            for (int j = 1; j <= WindowColumns; ++j)
                Samples.At(p, j) = 0;
        }
        report.windowRestarted = true;
    }
    emit cycleCompleted(report);
}

} // namespace vrx
