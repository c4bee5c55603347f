// Recording: one recording of the Recorder's, with a window or without: the engine, the record
// file the window saves to or the files of an unattended run, and each cycle's record line,
// composed once for both.
#pragma once

#include "recordengine.h"
#include "recordfile.h"
#include "recordsink.h"

#include <QObject>

#include <memory>

namespace vrx {

class Recording : public QObject {
    Q_OBJECT
public:
    explicit Recording(LineOwner& line, QObject* parent = nullptr);

    // Commands go to the engine through here or directly; its state is read there.
    RecordEngine& Engine() { return engine_; }
    const RecordEngine& Engine() const { return engine_; }

    // The line's settings, given when the line opens or its settings change.
    void SetLineSettings(const LineSettings& settings) { engine_.SetLineSettings(settings); }
    // START with these devices every `seconds`; their addresses head each record line. False
    // (nothing started) when every address is 0.
    bool Start(const Addresses& addresses, int seconds);
    void Stop() { engine_.Stop(); }

    // The window's record file: made anew at `path` (one there is emptied) with the header of
    // these addresses. False, with the reason in File().ErrorText(), when it cannot be.
    bool CreateFile(const QString& path, const Addresses& addresses, int seconds);
    // "End" into the window's file; false when it could not be written (the file is closed).
    bool EndFile() { return file_.End(); }
    // Closes the window's file without its end line, after a failure.
    void AbandonFile() { file_.Abandon(); }
    const RecordWriter& File() const { return file_; }

    // The files of an unattended recording, kept written through full disks and missing
    // folders: from now on every cycle's line goes there too.
    void WriteInto(std::unique_ptr<RecordSink> sink) { sink_ = std::move(sink); }
    RecordSink* Sink() { return sink_.get(); }
    const RecordSink* Sink() const { return sink_.get(); }

    // The record line of a cycle: a field for each of the recording's addresses, and the time.
    QByteArray Line(const CycleReport& report) const;

signals:
    // A cycle's line went to the files: the window draws it, the unattended recorder
    // publishes it.
    void cycleRecorded(const vrx::CycleReport& report);
    // The window's file refused a cycle's line (`error` says why): it is closed without its end
    // line and the recording goes on without it. Said once: nothing writes to it again.
    void fileFailed(const QString& error);
    // The window's file was no longer at its path and was made again: the lines before it went
    // with the one removed.
    void fileReopened();

private:
    void CycleCompleted(const CycleReport& report);

    RecordEngine engine_;
    Addresses addresses_{};
    RecordWriter file_;
    std::unique_ptr<RecordSink> sink_;
};

} // namespace vrx
