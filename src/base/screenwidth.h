// ScreenWidth, and design lengths scaled to it: every window is laid out for an 800 x 600 screen.
#pragma once

#include <QSize>

namespace vrx {

// Width in pixels of the 800 x 600 design area as it is fitted into the screen that shows the
// Main window; set once when that window is created. Every window scales by ScreenWidth / 800.
extern int ScreenWidth;

constexpr int DesignWidth = 800;
constexpr int DesignScreenHeight = 600;

// Integer scaling as the drawing windows use it: length x ScreenWidth div 800.
int Scaled(int designLength);

// ScreenWidth for a screen of this available size: its width, or less where the height is the
// tighter, so that a window scaled by it keeps the design's proportions and lies on the screen
// whole (a 1366 x 768 laptop scales as a 1024 x 768 screen does).
int FittedScreenWidth(QSize available);

} // namespace vrx
