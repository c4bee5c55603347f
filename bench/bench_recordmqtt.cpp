// Many `vrxcom record` processes publishing to one local broker: 50 recorders, each on its own
// simulated line of eight controllers at one sample a second, and one subscriber. Prints the
// messages a second delivered, the p50/p99 time from a sample's hand-over to the broker queue
// (the cycle's last reply) to the subscriber's receipt, and each recorder's CPU share and RSS.
// Usage: bench_recordmqtt [recorders=50] [seconds=30]
#include "freeport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <numeric>
#include <vector>

namespace {

using vrx::test::FreePort;

// utime + stime in clock ticks, and VmRSS in kB.
qint64 CpuTicks(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray line = f.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

qint64 RssKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size())))];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int recorders = argc > 1 ? std::atoi(argv[1]) : 50;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const QString vrxcom = QCoreApplication::applicationDirPath() + QStringLiteral("/../vrxcom");
    QTemporaryDir dir;
    const int port = FreePort();
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\npersistence false\n%2")
                   .arg(port)
                   .arg(::getuid() == 0 ? QStringLiteral("user root\n") : QString())
                   .toUtf8());
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), conf.fileName()});
    broker.waitForStarted();
    QThread::msleep(500);
    QProcess sub;
    sub.start(QStringLiteral("mosquitto_sub"), {"-h", "127.0.0.1", "-p", QString::number(port),
                                                "-q", "1", "-t", "bench/#", "-F", "%U %t %p"});
    sub.waitForStarted();
    QThread::msleep(300);

    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < recorders; ++i) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VRX_COM1"), QStringLiteral("sim:addresses=1-8:preset=factory"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("vrx.record.publish=true"));
        env.remove(QStringLiteral("JOURNAL_STREAM"));
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.path());
        p->start(vrxcom, {"record", "--com", "COM1", "--addresses", "1,2,3,4,5,6,7,8", "--out-dir",
                          dir.filePath(QStringLiteral("r%1").arg(i)), "--mqtt",
                          QStringLiteral("mqtt://127.0.0.1:%1/bench/r%2").arg(port).arg(i)});
        processes.push_back(std::move(p));
    }
    for (auto& p : processes)
        p->waitForStarted();
    // Warm-up: connected and recording.
    QElapsedTimer warm;
    warm.start();
    while (warm.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    std::vector<qint64> cpuStart;
    for (auto& p : processes)
        cpuStart.push_back(CpuTicks(p->processId()));
    sub.readAllStandardOutput();
    QByteArray received;
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
        received += sub.readAllStandardOutput();
    }
    const double elapsed = double(run.elapsed()) / 1000.0;
    std::vector<double> cpu;
    std::vector<double> rss;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    for (std::size_t i = 0; i < processes.size(); ++i) {
        cpu.push_back(100.0 * double(CpuTicks(processes[i]->processId()) - cpuStart[i]) / ticks /
                      elapsed);
        rss.push_back(double(RssKb(processes[i]->processId())) / 1024.0);
    }
    QThread::msleep(500);
    received += sub.readAllStandardOutput();
    for (auto& p : processes)
        p->terminate();
    for (auto& p : processes)
        p->waitForFinished();

    // Hand-over times by (topic, time) from the recorders' logs; receipts from the subscriber.
    QHash<QByteArray, qint64> handedOver;
    for (auto& p : processes) {
        for (const QByteArray& line : p->readAllStandardError().split('\n')) {
            // "vrx.record.publish: publish TOPIC TIME MS"
            const QList<QByteArray> f = line.split(' ');
            const qsizetype k = f.indexOf("publish");
            if (k >= 0 && f.size() == k + 4)
                handedOver.insert(f[k + 1] + ' ' + f[k + 2], f[k + 3].toLongLong());
        }
    }
    std::vector<double> latency;
    qint64 delivered = 0;
    for (const QByteArray& line : received.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3) continue;
        ++delivered;
        const qsizetype t = line.indexOf("\"time\":\"");
        if (t < 0) continue;
        const QByteArray time = line.mid(t + 8, 25);
        const auto found = handedOver.find(f[1] + ' ' + time);
        if (found == handedOver.end()) continue;
        const double receivedMs = f[0].toDouble() * 1000.0;
        latency.push_back(receivedMs - double(*found));
    }
    std::printf("recorders %d, 8 devices each at 1 s, %.0f s measured\n", recorders, elapsed);
    std::printf("delivered: %.0f messages/s (offered %d/s)\n", double(delivered) / elapsed,
                recorders * 8);
    std::printf("hand-over to receipt: p50 %.1f ms, p99 %.1f ms, max %.1f ms (%zu matched; goal "
                "p99 < 50 ms)\n",
                Percentile(latency, 0.5), Percentile(latency, 0.99), Percentile(latency, 1.0),
                latency.size());
    std::printf("CPU per recorder: mean %.2f %%, max %.2f %% of a core (goal < 1 %%)\n",
                std::accumulate(cpu.begin(), cpu.end(), 0.0) / double(cpu.size()),
                *std::max_element(cpu.begin(), cpu.end()));
    std::printf("RSS per recorder: mean %.1f MB, max %.1f MB (goal < 25 MB)\n",
                std::accumulate(rss.begin(), rss.end(), 0.0) / double(rss.size()),
                *std::max_element(rss.begin(), rss.end()));
    broker.terminate();
    broker.waitForFinished();
    sub.kill();
    sub.waitForFinished();
    return 0;
}
