// ScreenWidth, and design lengths scaled to it: every window is laid out for 800 pixels.
#pragma once

namespace vrx {

// Width in pixels of the screen that shows the Main window; set once when it is created.
extern int ScreenWidth;

constexpr int DesignWidth = 800;

// Integer scaling as the drawing windows use it: length x ScreenWidth div 800.
int Scaled(int designLength);

} // namespace vrx
