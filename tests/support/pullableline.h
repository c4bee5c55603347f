// Simulated controllers on a line that a test can pull out and plug in again, as a USB adapter.
#pragma once

#include "fakeline.h"
#include "simulatedline.h"

#include <QPointer>

namespace vrx::test {

// Installs itself as the simulated line ("VRX_COMn=sim:<options>"). While pulled, the line that
// was open is lost and every new one refuses to open; plugged in again, new lines carry the same
// controllers as before.
class PullableLine {
public:
    PullableLine() {
        InstallSimulatedLineFactory([this](const QString& options, QObject* parent) {
            if (pulled_) {
                auto refused = std::make_unique<FakeLine>();
                refused->refuseOpen = true;
                return std::unique_ptr<LineDevice>(std::move(refused));
            }
            auto line = bus_ ? std::make_unique<sim::SimulatedLine>(bus_, options_, parent)
                             : std::make_unique<sim::SimulatedLine>(options, parent);
            bus_ = line->SharedBus();
            options_ = line->Options();
            last_ = line.get();
            return std::unique_ptr<LineDevice>(std::move(line));
        });
    }
    ~PullableLine() { InstallSimulatedLineFactory({}); }

    void Pull() {
        pulled_ = true;
        if (last_ && last_->IsOpen()) emit last_->lost(QStringLiteral("unplugged"));
    }
    void PlugIn() { pulled_ = false; }

private:
    bool pulled_ = false;
    std::shared_ptr<sim::ControllerBus> bus_;
    sim::LineOptions options_;
    QPointer<sim::SimulatedLine> last_;
};

} // namespace vrx::test
