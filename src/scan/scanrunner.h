// ScanRunner: drives one line through a scan's tries and says what it finds.
#pragma once

#include "clock.h"
#include "comsettings.h"
#include "scanplan.h"

#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace vrx {
class LineOwner;
struct Reply;
} // namespace vrx

namespace vrx::scan {

// The name under which a scan holds the line, for the refusals of the other tools.
inline constexpr char ScanTool[] = QT_TRANSLATE_NOOP("vrx::LineOwner", "controller scan");

enum class DeviceKind { Vrx, Modbus };

// A device that answered.
struct Finding {
    int address = 0;
    LineSettings settings;
    DeviceKind kind = DeviceKind::Modbus;
    // A VRX controller's: the process value in degrees Celsius (none while it shows a status),
    // its firmware version and input type.
    std::optional<double> pv;
    QString firmware;
    int inputType = -1;
    // Another device's exception code, when it answered the read with one.
    int exceptionCode = 0;
};

struct ScanProgress {
    ScanTry trying;
    qint64 elapsedMs = 0;
    // At most: every try still to come left silent.
    qint64 leftMs = 0;
    int percent = 0;
};

enum class ScanEnd {
    Completed, // every try made (or the setting found swept)
    Cancelled, // stopped by the user
    LineLost,  // the line went away or refused the bytes; the reason says which
};

// Opens the line for the scan, changes its settings between tries (never under a request),
// reads one register per try with function 03 and never another function nor the broadcast
// address, and leaves the line closed with the port's settings as they were. A try waits the
// exchange's line time plus ScanMarginMs (a reply under way a little longer) on its own timer,
// not the line's reply time-out.
class ScanRunner : public QObject {
    Q_OBJECT
public:
    explicit ScanRunner(LineOwner& line, QObject* parent = nullptr);
    ~ScanRunner() override;

    // Opens COMn `com` and starts. Throws PortError when the line is held by another tool or
    // cannot be opened; nothing is then changed.
    void Start(int com, const ScanChoices& choices);
    // Stops at once: the request out is dropped, the line closed and its settings restored.
    void Cancel();
    bool Running() const { return running_; }

    const std::vector<Finding>& Findings() const { return findings_; }
    // The settings where bytes came that made no frame: something there speaks another format.
    const std::vector<LineSettings>& Noisy() const { return noisy_; }
    // What the tries made so far may take by their line time and time-outs: each silent or
    // noisy read its time-out, each answered one the line time of its bytes. The scan's own
    // time is measured against it.
    qint64 BudgetMicros() const { return budgetMicros_; }

signals:
    void progress(const vrx::scan::ScanProgress& progress);
    void found(const vrx::scan::Finding& finding);
    // Bytes that made no frame came at this setting (said once per speed).
    void noise(const vrx::LineSettings& settings);
    void finished(vrx::scan::ScanEnd end, const QString& reason);

private:
    // What the read out asks: the probe, then the identity of what answered it.
    enum class Step { Probe, Firmware, Pv, Unit };

    void NextTry();
    void Apply(const LineSettings& settings);
    void Ask(Step step, int reg);
    void OnAnswer(const Reply& reply);
    void OnTimeout();
    void Judge(const QByteArray& received, bool timedOut);
    void Found(DeviceKind kind, int exceptionCode = 0);
    void Finish(ScanEnd end, const QString& reason = {});
    qint64 ElapsedMicros() const;
    // The try's time-out on this line.
    qint64 TimeoutMicros() const;

    LineOwner& line_;
    bool running_ = false;
    std::optional<ScanPlan> plan_;
    ScanTry try_;
    Step step_ = Step::Probe;
    quint64 requestId_ = 0;
    bool extended_ = false;
    qint64 askedAtMicros_ = 0;
    qint64 startedMicros_ = 0;
    qint64 budgetMicros_ = 0;
    ClockTimer timeout_;
    // The try's identity so far.
    int inputType_ = -1;
    int firmware_ = 0;
    int pvWord_ = 0; // -1: not read
    int unit_ = 0;
    // The port as it was before the scan.
    qint16 savedCom_ = 0;
    LineSettings savedSettings_;
    std::vector<Finding> findings_;
    std::vector<LineSettings> noisy_;
};

} // namespace vrx::scan

Q_DECLARE_METATYPE(vrx::scan::ScanProgress)
Q_DECLARE_METATYPE(vrx::scan::Finding)
Q_DECLARE_METATYPE(vrx::scan::ScanEnd)
Q_DECLARE_METATYPE(vrx::LineSettings)
