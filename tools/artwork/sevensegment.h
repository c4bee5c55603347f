// Seven-segment digits as a controller display shows them, drawn as flat polygons.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace artwork {

// Draws text right-aligned in a row of `cells` digit cells filling `window` (digits, '-', ' ',
// and '.' which lights the decimal point of the digit before it). Every segment that is not
// lit is drawn in `ghost`, as the unlit segments of a real display faintly show.
void DrawSevenSegment(QPainter& painter, const QRectF& window, const QString& text, int cells,
                      const QColor& lit, const QColor& ghost);

} // namespace artwork
