// The flat colour palette and the font choice that every picture of the artwork tool shares.
#pragma once

#include <QColor>
#include <QFont>

namespace artwork {

// Flat colours, no gradients: the pictures stay crisp when Qt stretches them and compress
// cleanly as JPEG.
namespace colour {
inline const QColor Paper{255, 255, 255};
inline const QColor SkyBlue{166, 202, 240}; // the tester panel's own colour
inline const QColor Navy{31, 58, 104};
inline const QColor NavyLight{70, 104, 160};
inline const QColor Ink{34, 42, 53};
inline const QColor Slate{107, 114, 128};
inline const QColor Mist{222, 228, 236};
inline const QColor Bezel{44, 48, 55};
inline const QColor Face{28, 31, 36};
inline const QColor FaceEdge{64, 70, 80};
inline const QColor KeyCap{58, 63, 72};
inline const QColor Window{8, 8, 10};
inline const QColor LedRed{255, 52, 40};
inline const QColor LedRedGhost{32, 11, 11};
inline const QColor LedGreen{52, 230, 96};
inline const QColor LedGreenGhost{9, 28, 15};
inline const QColor LedYellow{255, 206, 48};
inline const QColor LampOff{70, 74, 80};
inline const QColor Signal{224, 56, 56};
inline const QColor Teal{0, 128, 128};
inline const QColor Amber{232, 150, 24};
} // namespace colour

// A sans-serif (or monospaced) font of the given height in pixels of the painter's user space.
// The families are tried in order and Qt falls back to any sans-serif face, so the tool runs
// on machines that have none of them; the pictures then differ only in letter shapes.
QFont Font(qreal pixelSize, int weight = QFont::Normal, bool monospace = false,
           bool condensed = false);

} // namespace artwork
