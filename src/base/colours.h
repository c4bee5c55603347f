// Colours forced on a control, always as a pair of a background and the text on it, and the
// contrast a text needs against its background.
#pragma once

#include "palette.h"

#include <QColor>
#include <QPalette>

class QWidget;

namespace vrx {

// The relative luminance of a colour (WCAG 2): 0 for black to 1 for white.
double RelativeLuminance(const QColor& colour);
// The contrast ratio of two colours (WCAG 2): 1 (the same) to 21 (black and white).
double ContrastRatio(const QColor& a, const QColor& b);
// The least contrast of a text against its background for it to be read with ease.
inline constexpr double ReadableContrast = 4.5;

// Black or white, whichever stands out more on the background.
QColor TextColourOn(const QColor& background);

// Gives the widget a background colour in a role and the text colour of the role that goes with
// it (Window with WindowText, Base with Text, Button with ButtonText), together: a desktop
// palette, a dark one above all, then never leaves its own light text on a forced white or a
// forced navy text on its own dark grey. A label paints the background itself. The colours hold
// in every state; only a disabled button's text fades towards its background, as buttons do,
// while a disabled field still shows a value to be read.
void SetColours(QWidget* widget, QPalette::ColorRole background, const QColor& backgroundColour,
                const QColor& text);

} // namespace vrx
