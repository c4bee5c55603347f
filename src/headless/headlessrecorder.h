// HeadlessRecorder: `vrxcom record`, the Recorder's acquisition without a window, for months:
// record files, the broker, the log and the status line.
#pragma once

#include "hubserver.h"
#include "lineowner.h"
#include "mqttpublisher.h"
#include "recorderhttpserver.h"
#include "recording.h"
#include "recordoptions.h"

#include <QDateTime>
#include <QObject>

#include <memory>

namespace vrx {

class HeadlessRecorder : public QObject {
    Q_OBJECT
public:
    using DateTimeSource = std::function<QDateTime()>;
    // A device that stops answering is asked again after this long.
    static constexpr int RestMs = 60000;

    // `mqtt` set: publish there (the target's prefix, the credentials).
    HeadlessRecorder(const RecordOptions& options, std::optional<MqttPublisher::Config> mqtt,
                     QObject* parent = nullptr);
    ~HeadlessRecorder() override;

    // The wall clock unless a test sets another; a cycle's file line and messages share its
    // one reading in the cycle's report.
    void SetDateTimeSource(DateTimeSource source) {
        now_ = source;
        recording_.Engine().SetTimeSource(std::move(source));
    }

    // Opens COMn (`com`: n, as the options name it) with these settings and starts; false with
    // the reason when the line does not open.
    bool Start(int com, const LineSettings& settings, QString* error);
    // Ends the file with "End" and says "offline"; finished(0) follows.
    void Stop();

    // "samples 12  1: ok 12 t/o 0 bad 0 pv 25.3  2: ...  mqtt: online"
    QString StatusLine() const;

    RecordEngine& Engine() { return recording_.Engine(); }
    RecordSink& Sink() { return *recording_.Sink(); }
    MqttPublisher* Publisher() { return publisher_.get(); }
    // The line's other masters, while it is served.
    LineHub* Hub() { return hub_.get(); }
    HubServer* Server() { return server_.get(); }
    // The page and metrics, while they are served (--http).
    RecorderHttpServer* Http() { return http_.get(); }
    // What the page and the metrics tell: the last cycle's values, never the line's.
    RecorderStatus Status() const;
    LineOwner& Line() { return line_; }

signals:
    // One line for the log.
    void logged(const QString& text);
    void statusChanged();
    // The recording has ended; the program's exit code.
    void finished(int code);

private:
    void CycleCompleted(const CycleReport& report);
    // Serves the open line on the options' addresses; false with the reason.
    bool Serve(const LineSettings& settings, QString* error);
    // Serves the page and the metrics on --http's address; false with the reason.
    bool ServeHttp(QString* error);
    void SetAsked(const QString& topic, const QByteArray& payload, bool retained);
    void SetRefused(int address, std::optional<qint32> tenths, const QString& reason);
    void SetAnswered(int address, qint32 tenths, bool ok, const QString& reason);
    QString Device(int position) const;
    static QString FailureText(AttemptFailure failure);

    struct DeviceCount {
        quint64 ok = 0;
        quint64 timeOuts = 0;
        quint64 badReplies = 0;
        std::optional<qint32> pv;
        std::optional<qint32> sv;
        QDateTime lastGood;
        bool answered = false; // in the last cycle
        bool cycled = false;
    };

    RecordOptions options_;
    QString prefix_; // of the topics
    LineOwner line_;
    Recording recording_;
    std::unique_ptr<MqttPublisher> publisher_;
    std::unique_ptr<LineHub> hub_;
    std::unique_ptr<HubServer> server_;
    std::unique_ptr<RecorderHttpServer> http_;
    DateTimeSource now_ = [] { return QDateTime::currentDateTime(); };
    PvHistory history_;
    QDateTime started_;
    QDateTime lastCycle_;
    bool lineUp_ = true;
    LineHub::Counts publishedCounts_;
    std::array<DeviceCount, DevicePositions> counts_{};
    bool stopping_ = false;
    // A loss was logged and the line's return is not yet.
    bool lossTold_ = false;
};

} // namespace vrx
