// The record files of `vrxcom record`.
#include "recordsink.h"

#include <QDir>
#include <QFileInfo>

namespace vrx {

namespace {
// Files of the same name with -2, -3, ... tried when one holds another recording.
constexpr int MaxSuffix = 99;

QString WithSuffix(const QString& path, int n) {
    if (n == 1) return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-%1").arg(n) + suffix);
}
} // namespace

RecordSink::RecordSink(const Addresses& addresses, int seconds, QString out, QString outDir,
                       QObject* parent)
    : QObject(parent), addresses_(addresses), seconds_(seconds), out_(std::move(out)),
      outDir_(std::move(outDir)) {}

QString RecordSink::PathFor(QDate day) const {
    if (outDir_.isEmpty()) return out_;
    return QDir(outDir_).filePath(day.toString(Qt::ISODate) + QStringLiteral(".txt"));
}

bool RecordSink::Open(QDate day) {
    if (!outDir_.isEmpty()) QDir().mkpath(outDir_);
    const QString base = PathFor(day);
    for (int n = 1; n <= MaxSuffix; ++n) {
        const QString path = WithSuffix(base, n);
        const bool existed = QFileInfo(path).size() > 0;
        if (writer_.Continue(path, addresses_, seconds_)) {
            day_ = day;
            // Opened again after a failure (a full disk opens fine and refuses the line):
            // "writing ... again" says when it works, not every try.
            if (path != saidPath_)
                emit logged(existed ? QStringLiteral("recording goes on in %1").arg(path)
                                    : QStringLiteral("recording into %1").arg(path));
            saidPath_ = path;
            return true;
        }
        if (!writer_.Mismatch()) break;
    }
    return false;
}

void RecordSink::Write(QDate day, const QByteArray& line) {
    if (qsizetype(waiting_.size()) >= MaxWaiting) {
        waiting_.pop_front();
        if (lost_++ == 0)
            emit logged(QStringLiteral("%1 lines wait to be written; the oldest are dropped")
                            .arg(MaxWaiting));
    }
    waiting_.emplace_back(day, line);
    Flush();
}

void RecordSink::Flush() {
    while (!waiting_.empty()) {
        const auto& [day, line] = waiting_.front();
        // A new day ends the day before in its own file.
        if (writer_.IsOpen() && !outDir_.isEmpty() && day != day_) writer_.End();
        if (!writer_.IsOpen() && !Open(day)) break;
        if (!writer_.WriteLine(line)) {
            // Another recording put in place of the open file: the next name, at once.
            if (writer_.Mismatch()) continue;
            break;
        }
        if (writer_.TakeReopened())
            emit logged(
                QStringLiteral("%1 was no longer there; made again, recording goes on in it")
                    .arg(writer_.Path()));
        waiting_.pop_front();
        ++written_;
        if (!failure_.isEmpty()) {
            emit logged(QStringLiteral("writing %1 again").arg(writer_.Path()));
            failure_.clear();
        }
    }
    if (waiting_.empty()) {
        lost_ = 0;
        return;
    }
    const QString failure =
        QStringLiteral("cannot write %1: %2").arg(writer_.Path(), writer_.ErrorText());
    // Once per kind of failure, not at every sample.
    if (failure != failure_) {
        failure_ = failure;
        emit logged(failure +
                    QStringLiteral("; the lines are kept and tried again at every sample"));
    }
}

void RecordSink::End() {
    Flush();
    if (writer_.IsOpen()) writer_.End();
}

} // namespace vrx
