// Programs a test starts beside itself (vrx-sim, socat, a pymodbus server), each ended by its
// own process id when the test is done, and the waits on what they make.
#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace vrx::test {

// The longest any wait on a helper may take, in ms: helpers start in well under a second.
inline constexpr int HelperBound = 15000;

class HelperProcess {
public:
    HelperProcess() = default;
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;
    ~HelperProcess() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(HelperBound)) {
            process_.kill();
            process_.waitForFinished(HelperBound);
        }
    }

    bool Start(const QString& program, const QStringList& arguments) {
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        return process_.waitForStarted(HelperBound);
    }
    // Waits for a line on standard output that starts with prefix; false when the helper ends
    // or the bound passes first.
    bool WaitForLine(const QString& prefix) {
        return QTest::qWaitFor(
                   [this, &prefix] {
                       while (process_.canReadLine()) {
                           const QString line =
                               QString::fromLocal8Bit(process_.readLine()).trimmed();
                           if (!line.startsWith(prefix)) continue;
                           lastLine_ = line;
                           return true;
                       }
                       if (process_.state() != QProcess::Running) return true;
                       process_.waitForReadyRead(50);
                       return false;
                   },
                   HelperBound) &&
               process_.state() == QProcess::Running;
    }
    QString Errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }
    // The line WaitForLine found last ("ready 40321", "listening on 127.0.0.1:40321").
    const QString& LastLine() const { return lastLine_; }
    // The port at the end of that line.
    quint16 LastPort() const {
        return quint16(lastLine_.section(QRegularExpression("[ :]"), -1).toUInt());
    }

private:
    QProcess process_;
    QString lastLine_;
};

// Waits until every path exists (a pty link a helper makes).
inline bool WaitForFiles(const QStringList& paths) {
    return QTest::qWaitFor(
        [&paths] {
            for (const QString& path : paths)
                if (!QFileInfo::exists(path)) return false;
            return true;
        },
        HelperBound);
}

} // namespace vrx::test
