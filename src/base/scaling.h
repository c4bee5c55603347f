// ScreenWidth and the scaling of windows laid out for an 800-pixel-wide screen.
#pragma once

class QWidget;

namespace vrx {

// Width in pixels of the screen that shows the Main window; set once when it is created.
extern int ScreenWidth;

constexpr int DesignWidth = 800;

// Integer scaling as the drawing windows use it: length x ScreenWidth div 800.
int Scaled(int designLength);

// Scales a window laid out in design pixels: its size, and the position, size and font of
// every control inside it, by ScreenWidth / 800. Controls in layouts are left to the layout.
void ScaleForm(QWidget* form);

} // namespace vrx
