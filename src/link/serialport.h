// SerialPort: the line's device, parameters, reply timers and notifications, under LineOwner.
#pragma once

#include "clock.h"
#include "linedevice.h"
#include "linelog.h"
#include "request.h"

#include <QByteArray>
#include <QObject>

#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace vrx {

enum class PortEvent { DataAvailable, TimerExpired };

// Line parameters, open/close, sending, the received bytes (byte-wise or all at once), reply
// timers in 55 ms ticks, and two notifications (data available, timer expired) delivered through
// the event queue to the exchanges on it: one at a time, in order, never re-entrantly, and never
// after a close. Time is the current Clock's; every frame goes to the traffic log.
class SerialPort : public QObject {
    Q_OBJECT
public:
    static constexpr int TickMs = 55;
    // Longer timers are cut, so that every length fits the half range of the wrapping tick count.
    static constexpr qint32 MaxTicks = 39045157;
    static constexpr int BufferSize = 4096;

    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    qint16 ComNumber() const { return comNumber_; }
    void SetComNumber(qint16 number);
    qint32 Baud() const { return settings_.baud; }
    void SetBaud(qint32 baud);
    vrx::Parity Parity() const { return settings_.parity; }
    void SetParity(vrx::Parity parity);
    qint16 DataBits() const { return qint16(settings_.dataBits); }
    void SetDataBits(qint16 bits);
    qint16 StopBits() const { return qint16(settings_.stopBits); }
    void SetStopBits(qint16 bits);
    // All of the above as one value: the line as it is (or will be) opened.
    const LineSettings& Settings() const { return settings_; }
    // The framing the tools speak: a serial device ignores it, a Modbus TCP line converts by it.
    Framing LineFraming() const { return settings_.framing; }
    void SetFraming(Framing framing);
    bool Open() const { return device_ != nullptr; }
    // Opening without a port number asks the installed chooser; failures throw PortError and
    // the port stays closed.
    void SetOpen(bool open);

    // Asked for a port number when a port opens with ComNumber 0: the number chosen, or 0 when
    // the user chose none. The program installs the Port selection dialog; tests a script.
    using PortChooser = std::function<int()>;
    static void InstallPortChooser(PortChooser chooser);

    // Operations on a closed port: open with the current parameters first (true), or refuse
    // with a port-not-open error (false, the default).
    void SetOpenOnDemand(bool onDemand) { openOnDemand_ = onDemand; }

    quint16 AddTimer();
    void SetTimer(quint16 id, qint32 ticks, bool activate);
    quint8 ReadChar();
    // Everything received and not yet read, in one piece; the input is empty after it.
    QByteArray TakeInput();
    bool HasTimer(quint16 id) const { return timers_.count(id) != 0; }
    void SendText(const QByteArray& text);
    // The request's `frame` (the request framed by `framing`), as SendText sends it. A line
    // that converts frames (Modbus TCP) gets the request's unit and PDU where the request knows
    // them; the bytes on the network are those of its frame either way.
    // `origin`: the master of a shared line it is sent for, named in the traffic log.
    void Send(const Request& request, const QByteArray& frame, Framing framing,
              const QString& origin = {});

    // Looks at the timers now; they are also looked at whenever one may have expired.
    void CheckTimers();

    // False on a line that does not keep the gaps between bytes (TCP): no silence ends a reply.
    bool KeepsGaps() const { return !device_ || device_->KeepsGaps(); }
    // Open, and (a network line) connected: what is written goes out now.
    bool Connected() const { return device_ && device_->Connected(); }
    // Whether a lost line is said to the user. The line's owner turns it off when a loss has
    // been said, and it stays off while the line is tried again and after it is back, until the
    // line has proved sound: bytes have come in answer to a request after it stood for
    // SoundAfterMs. A line that stands a moment and drops again (a server that accepts and
    // closes, a peer that resets one station's requests) is so said once, not once a try.
    void AnnounceLoss(bool on) { announceLoss_ = on; }
    static constexpr int SoundAfterMs = 10000;
    // Tells a lost line to the user: the general error handler (a message box) unless the
    // port's user tells it its own way (the recorder without a window logs it).
    using LossTeller = std::function<void(const QString& text)>;
    void SetLossTeller(LossTeller teller) { lossTeller_ = std::move(teller); }
    // The ticks a network line adds to every reply time-out.
    int ExtraReplyTicks() const;

signals:
    // Connected by the owning window to its PortTrigger(kind, id, count).
    void Notify(vrx::PortEvent kind, quint16 id, quint16 count);
    // The device went away (an adapter pulled out): the port has just closed itself. Emitted
    // before the user is told, so that the owner stops anything that would reopen the line.
    void Lost();
    // A network line that was connecting stands now.
    void ConnectionStood();

protected:
    bool event(QEvent* event) override;

private:
    struct Timer {
        quint32 length = 0;
        quint32 armTick = 0;
        bool active = false;
    };
    struct Notification {
        PortEvent kind;
        quint16 id;
        quint32 count;
    };

    void OpenDevice();
    void CloseDevice();
    void ApplyToOpenLine();
    void EnsureOpen();
    void OnReadyRead();
    void OnLost(const QString& reason);
    void OnConnected();
    // The line stands now: what it carries from here on may prove it sound.
    void Stood();
    bool TimersRun() const { return device_ && device_->Connected(); }
    QString ComName() const;
    void Enqueue(const Notification& notification);
    void PostDelivery();
    void ScheduleTimerCheck();
    quint32 CurrentTick() const;
    quint32 TicksSince(quint32 tick) const;

    qint16 comNumber_ = 0;
    LineSettings settings_;
    std::unique_ptr<LineDevice> device_;
    bool announceLoss_ = true;
    LossTeller lossTeller_;
    // When the line last stood (the clock's ms), and whether a request went out since.
    quint32 stoodMs_ = 0;
    bool askedSinceStood_ = false;
    QByteArray input_;
    std::map<quint16, Timer> timers_;
    quint16 lastTimerId_ = 0;
    std::deque<Notification> pending_;
    bool deliveryPosted_ = false;
    bool delivering_ = false;
    bool openOnDemand_ = false;
    ClockTimer timerCheck_;
    LineLog log_;
};

} // namespace vrx

Q_DECLARE_METATYPE(vrx::PortEvent)
