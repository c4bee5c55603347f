// `vrxcom record` without its program: the engine's cycles into files, the broker and the log.
#include "headlessrecorder.h"

#include "errors.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <utility>

namespace vrx {

namespace {
// Each sample as it is handed to the broker's queue, with the wall clock in milliseconds (off
// unless QT_LOGGING_RULES="vrx.record.publish=true"): the start of the latency the benchmark
// measures to a subscriber.
Q_LOGGING_CATEGORY(lcPublish, "vrx.record.publish", QtWarningMsg)
} // namespace

HeadlessRecorder::HeadlessRecorder(const RecordOptions& options,
                                   std::optional<MqttPublisher::Config> mqtt, QObject* parent)
    : QObject(parent), options_(options), recording_(line_) {
    recording_.WriteInto(std::make_unique<RecordSink>(options.addresses, options.interval,
                                                      options.out, options.outDir));
    RecordEngine& engine = recording_.Engine();
    if (mqtt) {
        prefix_ = mqtt->target.prefix;
        // Without --allow-writes nothing is subscribed to, so nothing from the network is
        // even received.
        if (options.allowWrites) mqtt->subscription = SetTopicFilter(prefix_, options.com);
        mqtt->onConnect = options.haDiscovery ? DiscoveryConfigs(mqtt->target.prefix, options.com,
                                                                 options.addresses)
                                              : QList<MqttMessage>{};
        publisher_ = std::make_unique<MqttPublisher>(*mqtt);
        connect(publisher_.get(), &MqttPublisher::logged, this, &HeadlessRecorder::logged);
        connect(publisher_.get(), &MqttPublisher::connectedChanged, this,
                &HeadlessRecorder::statusChanged);
        connect(publisher_.get(), &MqttPublisher::stopped, this, [this] { emit finished(0); });
    }
    if (publisher_ && options.allowWrites) {
        connect(publisher_.get(), &MqttPublisher::received, this, &HeadlessRecorder::SetAsked);
        connect(&engine, &RecordEngine::setValueWritten, this,
                [this](int position, qint32 tenths, bool ok, const QString& reason) {
                    SetAnswered(options_.addresses[std::size_t(position)], tenths, ok, reason);
                });
    }
    engine.SetRestAfterFailure(RestMs);
    connect(recording_.Sink(), &RecordSink::logged, this, &HeadlessRecorder::logged);
    connect(&recording_, &Recording::cycleRecorded, this, &HeadlessRecorder::CycleCompleted);
    connect(&engine, &RecordEngine::attemptTimedOut, this,
            [this](int position) { ++counts_[std::size_t(position)].timeOuts; });
    connect(&engine, &RecordEngine::attemptRefused, this,
            [this](int position) { ++counts_[std::size_t(position)].badReplies; });
    connect(&engine, &RecordEngine::devicesResting, this,
            [this](const QList<int>& positions, AttemptFailure last) {
                emit logged(QStringLiteral("%1: %2; written as --- and asked again once a minute")
                                .arg(Device(positions.first()), FailureText(last)));
            });
    connect(&engine, &RecordEngine::deviceBack, this, [this](int position) {
        emit logged(QStringLiteral("%1: answers again").arg(Device(position)));
    });
    connect(&engine, &RecordEngine::samplesMissed, this, [this](int position) {
        emit logged(QStringLiteral("%1: answers too slowly for the %2 s interval; each sample "
                                   "missed meanwhile is written as ---")
                        .arg(Device(position))
                        .arg(options_.interval));
    });
    // A lost line is one line of the log, said as the line says it (where, and that it is tried
    // again), once: a line that comes back only for a moment is not a new loss each second.
    line_.Port().SetLossTeller([this](const QString& text) {
        lossTold_ = true;
        emit logged(text + QStringLiteral(" Meanwhile --- is written."));
    });
    connect(&engine, &RecordEngine::lineLost, this, [this] { lineUp_ = false; });
    connect(&engine, &RecordEngine::lineRestored, this, [this] {
        lineUp_ = true;
        if (std::exchange(lossTold_, false))
            emit logged(QStringLiteral("COM%1: line back").arg(options_.com));
    });
    connect(&engine, &RecordEngine::lineFailed, this, [this](const QString& text) {
        lineUp_ = false;
        emit logged(QStringLiteral("COM%1: %2; the recording ends").arg(options_.com).arg(text));
        recording_.Sink()->End();
        emit finished(1);
    });
}

HeadlessRecorder::~HeadlessRecorder() {
    http_.reset();
    server_.reset();
    hub_.reset();
    recording_.Stop();
    line_.Close(QString::fromLatin1(RecordEngine::LineTool));
}

QString HeadlessRecorder::FailureText(AttemptFailure failure) {
    switch (failure) {
    case AttemptFailure::BadReply:
        return QStringLiteral("no good answer (a bad check, another address or length)");
    case AttemptFailure::LineLost:
        return QStringLiteral("the line goes down while it is asked");
    case AttemptFailure::TimedOut:
        break;
    }
    return QStringLiteral("no answer");
}

QString HeadlessRecorder::Device(int position) const {
    return QStringLiteral("COM%1 address %2")
        .arg(options_.com)
        .arg(options_.addresses[std::size_t(position)]);
}

bool HeadlessRecorder::Start(int com, const LineSettings& settings, QString* error) {
    try {
        line_.Open(QString::fromLatin1(RecordEngine::LineTool), com, settings);
    } catch (const Error& e) {
        // The line's own reason names its COMn.
        *error = e.text();
        return false;
    }
    recording_.SetLineSettings(settings);
    if (!options_.serve.isEmpty() && !Serve(settings, error)) {
        line_.Close(QString::fromLatin1(RecordEngine::LineTool));
        return false;
    }
    if (options_.http && !ServeHttp(error)) {
        server_.reset();
        hub_.reset();
        line_.Close(QString::fromLatin1(RecordEngine::LineTool));
        return false;
    }
    if (publisher_) publisher_->Start();
    started_ = now_();
    recording_.Start(options_.addresses, options_.interval);
    return true;
}

bool HeadlessRecorder::ServeHttp(QString* error) {
    RecorderHttpServer::Content content{[this] { return Status(); },
                                        [this] { return history_.Json(options_.addresses); },
                                        RecordFileNames(options_.out, options_.outDir)};
    http_ = std::make_unique<RecorderHttpServer>(std::move(content), RecorderHttpServer::Limits{});
    connect(http_.get(), &RecorderHttpServer::logged, this, &HeadlessRecorder::logged);
    if (!http_->Listen(*options_.http, error)) {
        http_.reset();
        return false;
    }
    emit logged(QStringLiteral("page and metrics on http://%1/")
                    .arg(DescribeServeAddress(ServeAddress{options_.http->host, http_->Port()})));
    return true;
}

RecorderStatus HeadlessRecorder::Status() const {
    RecorderStatus status;
    status.com = options_.com;
    status.interval = options_.interval;
    status.now = now_();
    status.lineUp = lineUp_;
    status.started = started_;
    status.lastCycle = lastCycle_;
    const RecordSink& sink = *recording_.Sink();
    status.samplesWritten = sink.LinesWritten();
    status.linesWaiting = sink.Waiting();
    if (const QString path = sink.CurrentPath(); !path.isEmpty()) {
        const QFileInfo file(path);
        status.file = file.fileName();
        status.fileBytes = file.size();
    }
    if (publisher_)
        status.mqtt = RecorderStatus::Mqtt{publisher_->Connected(), publisher_->Refused(),
                                           publisher_->Queued()};
    if (hub_) {
        const LineHub::Counts& served = hub_->Tally();
        status.hub = RecorderStatus::Hub{served.served, served.exceptions, served.masters};
    }
    const RecordEngine& engine = recording_.Engine();
    for (int p = 0; p < DevicePositions; ++p) {
        const int address = options_.addresses[std::size_t(p)];
        if (address == 0) continue;
        const DeviceCount& count = counts_[std::size_t(p)];
        DeviceStatus device;
        device.position = p;
        device.address = address;
        device.pv = count.pv;
        device.sv = count.sv;
        device.answered = count.answered;
        device.resting = engine.Resting(p);
        device.cycled = count.cycled;
        device.lastGood = count.lastGood;
        device.stats = engine.Stats(p);
        status.devices.push_back(device);
    }
    return status;
}

bool HeadlessRecorder::Serve(const LineSettings& settings, QString* error) {
    LineHub::Settings hub;
    hub.writes = options_.serveWrites;
    hub.restMs = RestMs;
    // The recording's pace: a served request waits for its reply as long as a sample's does.
    hub.timing = ReplyTiming{RecordEngine::ReplyTicks(settings), RecordEngine::SilenceTicks,
                             ReplyTiming{}.frameTicks};
    hub_ = std::make_unique<LineHub>(line_, hub);
    HubServer::Limits limits;
    limits.clients = options_.serveClients;
    server_ = std::make_unique<HubServer>(*hub_, limits);
    connect(hub_.get(), &LineHub::logged, this, &HeadlessRecorder::logged);
    connect(hub_.get(), &LineHub::countsChanged, this, &HeadlessRecorder::statusChanged);
    connect(server_.get(), &HubServer::logged, this, [this](const QString& text) {
        emit logged(QStringLiteral("COM%1 served: %2").arg(options_.com).arg(text));
    });
    if (!server_->Listen(options_.serve, error)) {
        server_.reset();
        hub_.reset();
        return false;
    }
    QStringList where;
    const QList<quint16> ports = server_->Ports();
    for (qsizetype i = 0; i < options_.serve.size(); ++i)
        where << DescribeServeAddress(ServeAddress{options_.serve[i].host, ports[i]});
    emit logged(QStringLiteral("serving COM%1 to Modbus TCP masters on %2, %3")
                    .arg(options_.com)
                    .arg(where.join(QLatin1String(", ")), options_.serveWrites
                                                              ? QStringLiteral("writes allowed")
                                                              : QStringLiteral("reads only")));
    return true;
}

void HeadlessRecorder::Stop() {
    if (stopping_) return;
    stopping_ = true;
    // The masters go first: nothing of theirs is left to go on the line.
    if (server_) server_->Close();
    http_.reset();
    recording_.Stop();
    recording_.Sink()->End();
    line_.Close(QString::fromLatin1(RecordEngine::LineTool));
    if (publisher_) {
        if (publisher_->Queued() > 0)
            emit logged(QStringLiteral("MQTT: %1 samples not sent").arg(publisher_->Queued()));
        publisher_->Stop();
    } else {
        emit finished(0);
    }
}

void HeadlessRecorder::CycleCompleted(const CycleReport& report) {
    const QDateTime& at = report.stamp;
    lastCycle_ = at;
    history_.Add(at, report.readings);
    for (int p = 0; p < DevicePositions; ++p) {
        const int address = options_.addresses[std::size_t(p)];
        if (address == 0) continue;
        const DeviceReading& reading = report.readings[std::size_t(p)];
        DeviceCount& count = counts_[std::size_t(p)];
        SampleStatus status = SampleStatus::Ok;
        count.cycled = true;
        count.answered = reading.answered;
        if (reading.answered) {
            ++count.ok;
            count.pv = reading.pv;
            count.sv = reading.sv;
            count.lastGood = at;
        } else {
            status = recording_.Engine().Resting(p) ? SampleStatus::Dropped : SampleStatus::Timeout;
        }
        if (!publisher_) continue;
        MqttMessage message{StateTopic(prefix_, options_.com, address),
                            SamplePayload(at, reading, status)};
        qCDebug(lcPublish).noquote() << "publish" << message.topic << IsoTimeWithOffset(at)
                                     << QDateTime::currentMSecsSinceEpoch();
        publisher_->Publish(std::move(message));
    }
    // The served counts go with the samples, at most once an interval, when they changed.
    if (publisher_ && hub_ && hub_->Tally() != publishedCounts_) {
        publishedCounts_ = hub_->Tally();
        publisher_->Publish({HubTopic(prefix_, options_.com),
                             HubPayload(publishedCounts_.served, publishedCounts_.exceptions,
                                        publishedCounts_.masters),
                             true});
    }
    emit statusChanged();
}

void HeadlessRecorder::SetAsked(const QString& topic, const QByteArray& payload, bool retained) {
    const int address = SetTopicAddress(topic, prefix_, options_.com);
    if (address == 0) return;
    QString error;
    const std::optional<qint32> tenths = ParseSetMessage(payload, &error);
    // A retained message is handed again at every connection and every start: an order given
    // once would be carried out again each time, long after it was meant.
    if (retained) {
        SetRefused(address, tenths,
                   QStringLiteral("retained; a set value is taken only from a message "
                                  "published without retain"));
        return;
    }
    if (!tenths) {
        SetRefused(address, std::nullopt, error);
        return;
    }
    const auto found = std::find(options_.addresses.begin(), options_.addresses.end(), address);
    if (found == options_.addresses.end()) {
        SetAnswered(address, *tenths, false, QStringLiteral("not recorded here"));
        return;
    }
    emit logged(QStringLiteral("COM%1 address %2: set value %3 asked over MQTT")
                    .arg(options_.com)
                    .arg(address)
                    .arg(QString::number(*tenths / 10.0, 'f', 1)));
    recording_.Engine().QueueSetValue(int(found - options_.addresses.begin()), *tenths);
}

void HeadlessRecorder::SetRefused(int address, std::optional<qint32> tenths,
                                  const QString& reason) {
    emit logged(QStringLiteral("COM%1 address %2: set value refused over MQTT: %3")
                    .arg(options_.com)
                    .arg(address)
                    .arg(reason));
    publisher_->Publish(
        {SetResultTopic(prefix_, options_.com, address), SetResultPayload(tenths, false, reason)});
}

void HeadlessRecorder::SetAnswered(int address, qint32 tenths, bool ok, const QString& reason) {
    const QString value = QString::number(tenths / 10.0, 'f', 1);
    emit logged(ok ? QStringLiteral("COM%1 address %2: set value %3 written")
                         .arg(options_.com)
                         .arg(address)
                         .arg(value)
                   : QStringLiteral("COM%1 address %2: set value %3 not written: %4")
                         .arg(options_.com)
                         .arg(address)
                         .arg(value, reason));
    publisher_->Publish(
        {SetResultTopic(prefix_, options_.com, address), SetResultPayload(tenths, ok, reason)});
}

QString HeadlessRecorder::StatusLine() const {
    QString line = QStringLiteral("samples %1").arg(recording_.Sink()->LinesWritten());
    for (int p = 0; p < DevicePositions; ++p) {
        const int address = options_.addresses[std::size_t(p)];
        if (address == 0) continue;
        const DeviceCount& count = counts_[std::size_t(p)];
        line +=
            QStringLiteral("  %1: ok %2 t/o %3 bad %4 pv %5")
                .arg(address)
                .arg(count.ok)
                .arg(count.timeOuts)
                .arg(count.badReplies)
                .arg(count.pv ? QString::number(*count.pv / 10.0, 'f', 1) : QStringLiteral("---"));
    }
    if (hub_) {
        const LineHub::Counts& served = hub_->Tally();
        line += QStringLiteral("  served %1 exc %2 masters %3")
                    .arg(served.served)
                    .arg(served.exceptions)
                    .arg(served.masters);
    }
    if (publisher_)
        line += QStringLiteral("  mqtt %1, %2 queued")
                    .arg(publisher_->Refused()     ? QStringLiteral("refused")
                         : publisher_->Connected() ? QStringLiteral("online")
                                                   : QStringLiteral("away"))
                    .arg(publisher_->Queued());
    return line;
}

} // namespace vrx
