// The program's command line: --help and --version, and the options that belong to Qt. No
// application object is needed, so both work without a display.
#pragma once

#include <QString>
#include <QStringList>

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

// "vrxcom " and the project version.
QString ProgramVersion();

} // namespace vrx
