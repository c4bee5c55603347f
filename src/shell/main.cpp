// The VRX Communication Program.
#include "application.h"
#include "commandline.h"
#include "csvexport.h"
#include "portselectdialog.h"
#include "programwindows.h"
#include "scancommand.h"
#include "simulatedline.h"
#include "workspace.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

// Start-up trace (off unless QT_LOGGING_RULES="vrx.start=true"): which windows came up, on
// which platform and screen; the first thing to ask for when the program was started from a
// menu and nothing seems to happen.
Q_LOGGING_CATEGORY(lcStart, "vrx.start", QtInfoMsg)

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

void TraceShownWindows() {
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) continue;
        qCDebug(lcStart).noquote() << "shown:" << window->windowTitle() << "on"
                                   << QGuiApplication::platformName() << window->geometry();
    }
}

} // namespace

int main(int argc, char** argv) {
    // `vrxcom record` runs for months without a display: its own program, which loads no
    // widget library, takes over this process.
    if (argc > 1 && std::strcmp(argv[1], "record") == 0) {
        const std::string error = vrx::ExecRecordProgram(argc, argv);
        std::fprintf(stderr, "vrxcom record: %s\n", error.c_str());
        return 1;
    }
    // A record file as CSV: no display, no window.
    if (argc > 1 && std::strcmp(argv[1], "export") == 0) {
        QCoreApplication core(argc, argv);
        const QStringList arguments = QCoreApplication::arguments().mid(2);
        const vrx::ExportCommand command = vrx::ParseExportArguments(arguments);
        if (command.action == vrx::ExportCommand::Action::Help) {
            Print(stdout, vrx::ExportUsage());
            return 0;
        }
        if (command.action == vrx::ExportCommand::Action::Error) {
            Print(stderr, "vrxcom export: " + command.error + "\n\n" + vrx::ExportUsage());
            return 2;
        }
        std::optional<QDate> date;
        if (!command.date.isEmpty())
            date = QDate::fromString(command.date, QStringLiteral("yyyy-MM-dd"));
        const QString problem = vrx::ExportRecordFile(command.record, command.out, date);
        if (!problem.isEmpty()) {
            Print(stderr, "vrxcom export: " + problem + "\n");
            return 1;
        }
        return 0;
    }
    // Finding the controllers on a line: no display, no window.
    if (argc > 1 && std::strcmp(argv[1], "scan") == 0) {
        QCoreApplication core(argc, argv);
        const vrx::ScanCommand command =
            vrx::ParseScanArguments(QCoreApplication::arguments().mid(2));
        if (command.action == vrx::ScanCommand::Action::Help) {
            Print(stdout, vrx::ScanUsage());
            return 0;
        }
        if (command.action == vrx::ScanCommand::Action::Error) {
            Print(stderr, "vrxcom scan: " + command.error + "\n\n" + vrx::ScanUsage());
            return 2;
        }
        vrx::sim::InstallSimulatedLine();
        return vrx::RunScanCommand(command, stdout, stderr, ::isatty(STDOUT_FILENO) == 1);
    }
    // Before the application object, which needs a display: --help and --version must work
    // in a terminal without one, and a wrong option must not open a window.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const vrx::ProgramCommand command = vrx::ParseProgramArguments(arguments);
    switch (command.action) {
    case vrx::ProgramCommand::Action::Help:
        Print(stdout, vrx::ProgramUsage(QDir::currentPath()));
        return 0;
    case vrx::ProgramCommand::Action::Version:
        Print(stdout, vrx::ProgramVersion());
        return 0;
    case vrx::ProgramCommand::Action::Error:
        Print(stderr, "vrxcom: " + command.error + "\n\n" + vrx::ProgramUsage(QDir::currentPath()));
        return 2;
    case vrx::ProgramCommand::Action::Run:
        break;
    }

    vrx::Application app(argc, argv);
    // The language of the system (LANG, LC_ALL, LC_MESSAGES): Traditional Chinese is translated,
    // LANG=C shows the English texts.
    vrx::InstallTranslation(QLocale());
    // Lets desktops match the windows to the menu entry vrxcom.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vrxcom"));
    // VRX_COMn=sim attaches simulated controllers to COMn.
    vrx::sim::InstallSimulatedLine();
    // A port opened without a number asks the user in the Port selection dialog.
    vrx::InstallPortDialog();
    // What the windows remember between runs, in the user's configuration folder.
    if (const auto problem = vrx::workspace::Enable())
        Print(stderr, "vrxcom: " + *problem + " (" + vrx::workspace::DefaultPath() +
                          "); nothing is remembered in this run\n");
    // Runs once the event loop has started, by which time the Main window is shown.
    QTimer::singleShot(0, &app, TraceShownWindows);
    return vrx::RunProgram();
}
