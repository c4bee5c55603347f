// The in-process serial line with simulated controllers on it: a LineDevice that answers what
// SerialPort writes, through the event loop, paced like a real line on the current Clock.
#pragma once

#include "clock.h"
#include "controllerbus.h"
#include "framereceiver.h"
#include "linedevice.h"
#include "linefit.h"
#include "simoptions.h"

#include <QByteArray>

#include <deque>
#include <memory>

namespace vrx::sim {

class SimulatedLine : public LineDevice {
    Q_OBJECT
public:
    // A line with the controllers of the options. A line whose options did not parse refuses
    // to open, with the reason.
    SimulatedLine(const QString& options, QObject* parent = nullptr);
    // A line over controllers that may be shared with other lines of the same name.
    SimulatedLine(std::shared_ptr<ControllerBus> bus, LineOptions options,
                  QObject* parent = nullptr);
    ~SimulatedLine() override;

    bool Open(const LineSettings& settings, QString* error) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings& settings, QString* error) override;
    bool Write(const QByteArray& bytes) override;
    QByteArray ReadAll() override;
    QString Name() const override { return QStringLiteral("simulated controllers"); }

    // The controllers, their clock and their faults, for tests and tools.
    ControllerBus& Bus() { return *bus_; }
    // The controllers, for another line to carry (the same adapter plugged in again).
    std::shared_ptr<ControllerBus> SharedBus() const { return bus_; }
    Controller* ControllerAt(int address) { return bus_->Find(address); }
    void InjectFault(const Fault& fault) { bus_->Faults().Add(fault); }
    void ClearFaults() { bus_->Faults().Clear(); }
    const LineOptions& Options() const { return options_; }
    // True while received bytes wait for the silence that ends an RTU frame. A master sends
    // its next request only after that, as a reply time-out is longer than the silence.
    bool Receiving() const { return receiver_.Pending(); }

    // How long one character takes on the line at the current settings, in microseconds.
    qint64 CharacterMicros() const;
    // Bytes delivered per readyRead at most, as a UART FIFO or a USB adapter hands them over.
    static constexpr int ChunkBytes = 8;

private:
    struct Delivery {
        qint64 dueMicros;
        QByteArray bytes;
    };

    // How the master's line settings meet what the line is pinned to: another speed, data bits
    // or parity garbles every character, which the controllers meet with silence; other stop
    // bits only garble their replies.
    LineFit Fit() const;
    void Receive(const QByteArray& bytes);
    void OnSilence();
    // Answers a request whose last byte is in at requestEndMicros.
    void Answer(const ReceivedFrame& frame, qint64 requestEndMicros);
    void Schedule(qint64 dueMicros, const QByteArray& bytes);
    void ArmDeliveryTimer();
    void Deliver();
    static qint64 NowMicros() { return Clock::Current().Micros(); }

    std::shared_ptr<ControllerBus> bus_;
    LineOptions options_;
    QString optionsError_;
    LineSettings settings_;
    bool open_ = false;
    FrameReceiver receiver_;
    qint64 lineFreeMicros_ = 0; // when the controllers' last reply leaves the line
    ClockTimer silenceTimer_;
    ClockTimer deliveryTimer_;
    std::deque<Delivery> deliveries_;
    QByteArray received_;
};

// Makes "sim" and "sim:<options>" in VRX_COMn build simulated lines. Lines with the same
// options share their controllers, so the windows that take turns on one port see the same
// controllers; the controllers live while a line of theirs exists.
void InstallSimulatedLine();

} // namespace vrx::sim
