// `vrxcom scan COMn [...]`: its options, its output lines, and the scan run without a window.
#pragma once

#include "scanplan.h"
#include "scanrunner.h"

#include <QString>
#include <QStringList>

#include <cstdio>

namespace vrx {

struct ScanCommand {
    enum class Action { Run, Help, Error };
    Action action = Action::Run;
    int com = 0;
    scan::ScanChoices choices;
    bool json = false;
    QString error;
};

// The arguments after "scan".
ScanCommand ParseScanArguments(const QStringList& arguments);
QString ScanUsage();

// One device found, as one JSON object on one line: address, framing, speed, format, kind, and
// a VRX controller's pv (degrees Celsius, null while it shows a status) and firmware.
QString FindingJson(const scan::Finding& finding);
// One device found, for a person.
QString FindingLine(const scan::Finding& finding);
// Bytes that made no frame at a setting, for a person.
QString NoiseLine(const LineSettings& settings);
// The `vrxcom record` command lines that record the VRX controllers found (a recording takes
// a limited number of addresses, so many controllers take several); none when none was found.
QStringList RecordCommandLines(int com, const std::vector<scan::Finding>& findings);
// The progress line: what is tried and the time left at most.
QString ProgressLine(const scan::ScanProgress& progress);

// Runs the scan on COMn and prints to out and err: results (JSON lines with `json`), a progress
// line only when `terminal`, the reason of a failure. Returns the exit status: 0 something was
// found, 1 nothing, 2 the line could not be used.
int RunScanCommand(const ScanCommand& command, std::FILE* out, std::FILE* err, bool terminal);

} // namespace vrx
