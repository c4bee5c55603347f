// The controller front: bezel, the two display windows, the lamp row and the keys.
#pragma once

#include <QRectF>
#include <QString>

#include <array>

class QPainter;

namespace artwork {

// What the front shows. Empty texts leave the windows dark with only the unlit segments
// faintly visible; that is the Monitor window's picture, over which it lays its own edits.
struct FrontState {
    QString pv;
    QString sv;
    std::array<bool, 8> lamps{}; // order of frontface::Lamps
};

// Draws the front stretched into target (its layout is frontface.h, in design units).
void DrawFront(QPainter& painter, const QRectF& target, const FrontState& state);

} // namespace artwork
