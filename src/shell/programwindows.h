// The program's six windows and the one line they share, created in order; the program start.
#pragma once

#include "aboutwindow.h"
#include "mainwindow.h"
#include "monitorwindow.h"
#include "programeditor.h"
#include "protocolwindow.h"
#include "recorderwindow.h"

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
};

// Sets the application title and creates the windows in order: Main, Protocol, Monitor, About,
// Recorder, Ramp/soak editor. Needs the application object.
std::unique_ptr<Forms> CreateForms();

// CreateForms, the Main window shown maximized, and the event loop.
int RunProgram();

} // namespace vrx
