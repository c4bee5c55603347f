// An in-process line for tests: records what the port writes and lets the test answer.
#pragma once

#include "linedevice.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>

namespace vrx::test {

// No Q_OBJECT: it adds no signals, and the header is shared by test programs.
class FakeLine final : public LineDevice {
public:
    bool Open(const LineSettings& settings, QString* error) override {
        if (refuseOpen) {
            *error = QStringLiteral("refused by the test");
            return false;
        }
        settings_ = settings;
        open_ = true;
        return true;
    }
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }
    bool Apply(const LineSettings& settings, QString*) override {
        settings_ = settings;
        return true;
    }
    bool Write(const QByteArray& bytes) override {
        written.append(bytes);
        return true;
    }
    QByteArray ReadAll() override { return std::exchange(incoming_, {}); }
    QString Name() const override { return QStringLiteral("fake line"); }

    // Delivers bytes from the far end through the event loop, as a real line does.
    void Reply(const QByteArray& bytes) {
        incoming_.append(bytes);
        QMetaObject::invokeMethod(this, &LineDevice::readyRead, Qt::QueuedConnection);
    }
    const LineSettings& Settings() const { return settings_; }

    QList<QByteArray> written;
    bool refuseOpen = false;

private:
    LineSettings settings_;
    QByteArray incoming_;
    bool open_ = false;
};

// Installs itself as the simulated line ("VRX_COMn=sim") and keeps the last line made.
class FakeLineFactory {
public:
    FakeLineFactory() {
        InstallSimulatedLineFactory([this](const QString&, QObject*) {
            auto line = std::make_unique<FakeLine>();
            line->refuseOpen = refuseOpen;
            last = line.get();
            return std::unique_ptr<LineDevice>(std::move(line));
        });
    }
    ~FakeLineFactory() { InstallSimulatedLineFactory({}); }

    QPointer<FakeLine> last;
    bool refuseOpen = false;
};

} // namespace vrx::test
