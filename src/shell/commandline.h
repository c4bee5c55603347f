// The program's command line: --help and --version, and the options that belong to Qt. No
// application object is needed, so both work without a display.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

namespace vrx {

struct ProgramCommand {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString error; // Error: what was wrong, for the line before the usage
};

// The arguments after the program's name. Qt's own options (-platform NAME, -style=NAME, ...)
// are let through for the application object to take; anything else unknown, or a stray
// argument, is an error. An error anywhere wins over --help, and --help over --version.
ProgramCommand ParseProgramArguments(const QStringList& arguments);

// The usage: the options, how COMn is found, and where the settings file lives when the
// program is started in `currentDirectory`.
QString ProgramUsage(const QString& currentDirectory);

// Replaces this process with vrxcom-record, given the arguments after "record": the program
// beside this one (in a build), else ../libexec/vrxcom/vrxcom-record from it (installed). Returns
// only when that fails, saying why.
std::string ExecRecordProgram(int argc, char** argv);

// `vrxcom export RECORD [-o OUT.csv] [--date YYYY-MM-DD]`: a record file as CSV.
struct ExportCommand {
    enum class Action { Run, Help, Error };
    Action action = Action::Run;
    QString record;
    QString out;  // RECORD with its suffix replaced by .csv unless -o names another
    QString date; // empty: from the record file's modification time
    QString error;
};
// The arguments after "export".
ExportCommand ParseExportArguments(const QStringList& arguments);
QString ExportUsage();

// "vrxcom " and the project version.
QString ProgramVersion();

} // namespace vrx
