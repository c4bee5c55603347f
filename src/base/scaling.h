// The scaling of windows laid out for an 800-pixel-wide screen.
#pragma once

#include "screenwidth.h"

class QWidget;

namespace vrx {

// Scales a window laid out in design pixels: its size, and the position, size and font of
// every control inside it, by ScreenWidth / 800. Controls in layouts are left to the layout.
void ScaleForm(QWidget* form);

// Gives a window the size it wants where the available room of its screen holds it, less where
// not, and moves it so that its frame lies within that room.
void FitOnScreen(QWidget* window, QSize wanted);

} // namespace vrx
