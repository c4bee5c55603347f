// A simulated line that keeps every frame the port wrote, so a test reads the bytes that left the
// port while the simulated controllers answer them.
#pragma once

#include "simulatedline.h"

#include <QList>

#include <memory>

namespace vrx::test {

// Passes everything through to a simulated line and keeps what the port wrote.
class TapLine final : public LineDevice {
public:
    explicit TapLine(std::unique_ptr<sim::SimulatedLine> line) : line_(std::move(line)) {
        connect(line_.get(), &LineDevice::readyRead, this, &LineDevice::readyRead);
        // A line pulled out from under the simulated one is pulled for the port as well.
        connect(line_.get(), &LineDevice::lost, this, &LineDevice::lost);
    }
    bool Open(const LineSettings& s, QString* error) override { return line_->Open(s, error); }
    void Close() override { line_->Close(); }
    bool IsOpen() const override { return line_->IsOpen(); }
    bool Apply(const LineSettings& s, QString* error) override { return line_->Apply(s, error); }
    bool Write(const QByteArray& bytes) override {
        written.append(bytes);
        return line_->Write(bytes);
    }
    QByteArray ReadAll() override { return line_->ReadAll(); }
    QString Name() const override { return line_->Name(); }
    sim::SimulatedLine& Sim() { return *line_; }

    QList<QByteArray> written;

private:
    std::unique_ptr<sim::SimulatedLine> line_;
};

} // namespace vrx::test
