// The program's six windows and the one line they share, created in order; the program start.
#pragma once

#include "aboutwindow.h"
#include "mainwindow.h"
#include "monitorwindow.h"
#include "programeditor.h"
#include "protocolwindow.h"
#include "recorderwindow.h"
#include "scanwindow.h"
#include "trafficwindow.h"

#include <QLocale>

#include <memory>

namespace vrx {

// The application's title, with the program's one version in the title's own notation: the
// major number and a two-digit minor, as the About window writes them (1.0.0: "V1.00").
QString ApplicationTitle();

// Declared in creation order, so they are destroyed in the reverse order.
struct Forms {
    // The one line the tools take turns on; it outlives every window that uses it.
    std::unique_ptr<LineOwner> Line;
    std::unique_ptr<TVRW0> VRW0;
    std::unique_ptr<TVRW1> VRW1;
    std::unique_ptr<TVRW2> VRW2;
    std::unique_ptr<TVRW4> VRW4;
    std::unique_ptr<TVRW3> VRW3;
    std::unique_ptr<TVRX5> VRX5;
    // The line's traffic, opened from the Main window, the Monitor and the Recorder.
    std::unique_ptr<TrafficForm> Traffic;
    // Finding the controllers on the line, opened from the Main window and the Protocol window.
    std::unique_ptr<ScanForm> Scan;
};

// Installs the translation of the program's texts for the language of locale: Traditional
// Chinese (zh_TW, zh_HK, zh_Hant) is translated, every other language shows the English texts
// of the sources. Qt's own texts (standard buttons) follow when Qt's translations are installed.
// Needs the application object, and must come before the windows are created. Returns whether
// the program's translation was installed.
bool InstallTranslation(const QLocale& locale);

// Sets the application title and creates the windows in order: Main, Protocol, Monitor, About,
// Recorder, Ramp/soak editor, Traffic. Needs the application object.
std::unique_ptr<Forms> CreateForms();
// CreateForms in two steps: the title, the line and the windows the Main window needs to be
// shown (Main, Protocol), then the others in the same order. A request of the Main window for
// one of the others makes them first if they are not there yet. CreateOtherForms does nothing
// the second time.
std::unique_ptr<Forms> CreateMainForms();
void CreateOtherForms(Forms& forms);

// What "Use these settings" of the Find controllers window does: the Protocol window's settings
// (and the settings file) for COMn `com` and the line's settings, the controllers' addresses in
// the Monitor's and the Recorder's address boxes (the boxes beyond them emptied). Nothing is
// sent. Refused with the line-busy message while a tool holds the line.
void UseScanSettings(Forms& forms, int com, const LineSettings& settings,
                     const std::vector<int>& addresses);

// Shows the Main window maximized, as the program starts.
void ShowMainWindow(const Forms& forms);

// The program's start: the Main window made and shown, the other windows made once it has been
// painted (a user sees the Main window sooner; nothing else of theirs shows until asked for).
std::unique_ptr<Forms> StartForms();

// StartForms and the event loop.
int RunProgram();

} // namespace vrx
