// A font for the few texts in Chinese (the password caption, the Recorder's hints): a desktop
// whose own font has no Chinese characters would otherwise show them as boxes.
#pragma once

#include <QFont>

namespace vrx {

// The font with an installed family that draws Traditional Chinese behind its own families, so
// Latin text keeps its look and the Chinese characters come from that family. Unchanged when the
// font's own family draws Traditional Chinese already, or when no such family is installed.
QFont WithChineseFamily(QFont font);

} // namespace vrx
