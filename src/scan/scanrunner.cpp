// Running a scan on the line.
#include "scanrunner.h"

#include "errors.h"
#include "lineowner.h"
#include "registers.h"
#include "scanjudge.h"

#include <algorithm>

namespace vrx::scan {

namespace {
constexpr int CelsiusUnit = 1;
} // namespace

ScanRunner::ScanRunner(LineOwner& line, QObject* parent) : QObject(parent), line_(line) {
    qRegisterMetaType<ScanProgress>();
    qRegisterMetaType<Finding>();
    qRegisterMetaType<ScanEnd>();
    timeout_.setSingleShot(true);
    connect(&timeout_, &ClockTimer::timeout, this, &ScanRunner::OnTimeout);
}

ScanRunner::~ScanRunner() {
    if (running_) Cancel();
}

void ScanRunner::Start(int com, const ScanChoices& choices) {
    if (running_) return;
    SerialPort& port = line_.Port();
    savedCom_ = port.ComNumber();
    savedSettings_ = port.Settings();
    plan_.emplace(choices);
    findings_.clear();
    noisy_.clear();
    budgetMicros_ = 0;
    const std::vector<LineSettings> order = OrderedSettings(choices);
    const LineSettings opening = order.empty() ? savedSettings_ : order.front();
    try {
        line_.Open(QString::fromLatin1(ScanTool), com, opening);
    } catch (const Error&) {
        plan_.reset();
        port.SetComNumber(savedCom_);
        throw;
    }
    running_ = true;
    startedMicros_ = Clock::Current().Micros();
    NextTry();
}

void ScanRunner::Cancel() {
    if (!running_) return;
    Finish(ScanEnd::Cancelled);
}

void ScanRunner::NextTry() {
    const std::optional<ScanTry> next = plan_->Next();
    if (!next) {
        Finish(ScanEnd::Completed);
        return;
    }
    try_ = *next;
    Apply(try_.settings);
    if (!running_) return;
    inputType_ = -1;
    const qint64 elapsed = ElapsedMicros();
    const qint64 left = plan_->LeftMicros() + TryTimeoutMicros(try_.settings);
    emit progress({try_, elapsed / 1000, left / 1000,
                   int(elapsed * 100 / std::max<qint64>(1, elapsed + left))});
    if (!running_) return; // cancelled from the progress report
    // Identity first: one register that every VRX controller serves and another device most
    // likely does not hold at that number.
    Ask(Step::Probe, reg::InputType);
}

void ScanRunner::Apply(const LineSettings& settings) {
    SerialPort& port = line_.Port();
    if (port.Settings() == settings) return;
    try {
        port.SetBaud(settings.baud);
        port.SetParity(settings.parity);
        port.SetDataBits(qint16(settings.dataBits));
        port.SetStopBits(qint16(settings.stopBits));
        port.SetFraming(settings.framing);
    } catch (const Error& e) {
        Finish(ScanEnd::LineLost, e.text());
    }
}

void ScanRunner::Ask(Step step, int reg) {
    step_ = step;
    extended_ = false;
    LineQueue::Ask ask;
    ask.request = Request::Read(try_.address, reg, 1);
    ask.framing = try_.settings.framing;
    ask.policy = ReplyEndPolicy::FrameEnd;
    // The scan's own timer ends the read; the line's would only come after it.
    const int ticks = int(2 * TimeoutMicros() / 1000 / SerialPort::TickMs) + 4;
    ask.timing = ReplyTiming{ticks, 0, ticks};
    askedAtMicros_ = Clock::Current().Micros();
    try {
        requestId_ = line_.Queue().Submit(ask, this, [this](const Reply& r) { OnAnswer(r); });
    } catch (const Error& e) {
        Finish(ScanEnd::LineLost, e.text());
        return;
    }
    if (requestId_ != 0 && running_) timeout_.startMicros(TimeoutMicros());
}

void ScanRunner::OnAnswer(const Reply& reply) {
    if (!running_) return;
    timeout_.stop();
    requestId_ = 0;
    switch (reply.kind) {
    case ReplyKind::Replied:
    case ReplyKind::TimedOut:
        Judge(reply.received, reply.kind == ReplyKind::TimedOut);
        return;
    case ReplyKind::LineLost:
    case ReplyKind::NotSent:
    case ReplyKind::Freed:
        Finish(ScanEnd::LineLost, tr("The line went away"));
        return;
    }
}

void ScanRunner::OnTimeout() {
    if (!running_ || requestId_ == 0) return;
    LineQueue& queue = line_.Queue();
    const QByteArray received = queue.IsOut(requestId_) ? queue.Received() : QByteArray();
    // A reply under way is the controller's, late by the machine: its rest is awaited once more.
    if (!extended_ && ReplyUnderway(received, try_.address, try_.settings.framing)) {
        extended_ = true;
        timeout_.startMicros(TimeoutMicros());
        return;
    }
    queue.Cancel(requestId_);
    requestId_ = 0;
    Judge(received, true);
}

void ScanRunner::Judge(const QByteArray& received, bool timedOut) {
    const JudgedReply judged = JudgeReply(received, try_.address, try_.settings.framing, 1);
    const bool answered =
        judged.verdict == ReplyVerdict::Words || judged.verdict == ReplyVerdict::NotFitted;
    if (answered && !timedOut) {
        const qint64 characters = ExchangeCharacters(try_.settings.framing) -
                                  (try_.settings.Rtu() ? 7 : 15) + received.size();
        budgetMicros_ += characters * CharacterBits(try_.settings) * 1000000 / try_.settings.baud;
    } else {
        budgetMicros_ += std::min(Clock::Current().Micros() - askedAtMicros_,
                                  (extended_ ? 2 : 1) * TimeoutMicros());
    }
    const quint16 word = judged.words.isEmpty() ? 0 : judged.words.front();
    switch (step_) {
    case Step::Probe:
        if (judged.verdict == ReplyVerdict::Silent) {
            plan_->Report(try_, TryOutcome::Silent);
        } else if (judged.verdict == ReplyVerdict::Garbage) {
            plan_->Report(try_, TryOutcome::Garbage);
            const bool newSpeed =
                std::none_of(noisy_.begin(), noisy_.end(), [this](const LineSettings& s) {
                    return s.baud == try_.settings.baud && s.framing == try_.settings.framing;
                });
            if (newSpeed) {
                noisy_.push_back(try_.settings);
                emit noise(try_.settings);
            }
        } else if (judged.verdict == ReplyVerdict::NotFitted) {
            Found(DeviceKind::Modbus, judged.exceptionCode);
        } else {
            inputType_ = word;
            Ask(Step::Firmware, reg::FirmwareKey);
            return;
        }
        break;
    case Step::Firmware:
        if (judged.verdict == ReplyVerdict::Words && IsVrxIdentity(inputType_, word)) {
            firmware_ = word;
            Ask(Step::Pv, reg::ProcessValue);
            return;
        }
        Found(DeviceKind::Modbus, judged.exceptionCode);
        break;
    case Step::Pv:
        if (judged.verdict == ReplyVerdict::Words) {
            pvWord_ = word;
            Ask(Step::Unit, reg::Unit);
            return;
        }
        pvWord_ = -1;
        Found(DeviceKind::Vrx);
        break;
    case Step::Unit:
        // Without the unit the value is taken as it is: the controllers leave the factory in
        // Celsius.
        unit_ = judged.verdict == ReplyVerdict::Words ? word : CelsiusUnit;
        Found(DeviceKind::Vrx);
        break;
    }
    if (running_) NextTry();
}

void ScanRunner::Found(DeviceKind kind, int exceptionCode) {
    Finding finding;
    finding.address = try_.address;
    finding.settings = try_.settings;
    finding.kind = kind;
    if (kind == DeviceKind::Vrx) {
        finding.firmware = FirmwareText(firmware_);
        finding.inputType = inputType_;
        if (pvWord_ >= 0) finding.pv = PvCelsius(pvWord_, unit_);
    } else {
        finding.exceptionCode = exceptionCode;
    }
    findings_.push_back(finding);
    plan_->Report(try_, TryOutcome::Device);
    emit found(finding);
}

void ScanRunner::Finish(ScanEnd end, const QString& reason) {
    if (!running_) return;
    running_ = false;
    timeout_.stop();
    if (requestId_ != 0) line_.Queue().Cancel(std::exchange(requestId_, 0));
    line_.Close(QString::fromLatin1(ScanTool));
    // The port's settings as they were: the next tool opens it as the Protocol window says.
    SerialPort& port = line_.Port();
    port.SetComNumber(savedCom_);
    port.SetBaud(savedSettings_.baud);
    port.SetParity(savedSettings_.parity);
    port.SetDataBits(qint16(savedSettings_.dataBits));
    port.SetStopBits(qint16(savedSettings_.stopBits));
    port.SetFraming(savedSettings_.framing);
    emit finished(end, reason);
}

qint64 ScanRunner::TimeoutMicros() const {
    // A network line's latency comes on top, as on every time-out the tools know.
    return TryTimeoutMicros(try_.settings) +
           qint64(line_.Port().ExtraReplyTicks()) * SerialPort::TickMs * 1000;
}

qint64 ScanRunner::ElapsedMicros() const {
    return Clock::Current().Micros() - startedMicros_;
}

} // namespace vrx::scan
