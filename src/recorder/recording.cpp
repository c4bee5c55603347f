// A recording: each cycle's line into the files of the window or of an unattended run.
#include "recording.h"

namespace vrx {

Recording::Recording(LineOwner& line, QObject* parent) : QObject(parent), engine_(line) {
    connect(&engine_, &RecordEngine::cycleCompleted, this, &Recording::CycleCompleted);
}

bool Recording::Start(const Addresses& addresses, int seconds) {
    addresses_ = addresses;
    return engine_.Start(addresses, seconds);
}

bool Recording::CreateFile(const QString& path, const Addresses& addresses, int seconds) {
    return file_.Create(path, addresses, seconds);
}

QByteArray Recording::Line(const CycleReport& report) const {
    return DataLine(addresses_, report.readings, report.stamp.time());
}

void Recording::CycleCompleted(const CycleReport& report) {
    if (file_.IsOpen() || sink_) {
        const QByteArray line = Line(report);
        if (file_.IsOpen()) {
            if (!file_.WriteLine(line)) {
                const QString error = file_.ErrorText();
                file_.Abandon();
                emit fileFailed(error);
            } else if (file_.TakeReopened()) {
                emit fileReopened();
            }
        }
        // The day's file is the stamp's day: the line and its file never disagree at midnight.
        if (sink_) sink_->Write(report.stamp.date(), line);
    }
    emit cycleRecorded(report);
}

} // namespace vrx
