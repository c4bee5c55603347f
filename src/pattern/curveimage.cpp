// Painting the program's curve.
#include "curveimage.h"

#include <QPainter>

namespace vrx {

CurveImage::CurveImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveImage::SetCurve(const ProgramCurve& curve) {
    curve_ = curve;
    update();
}

void CurveImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Square pixels, as the lines were computed: smoothing would blur a one-row ramp.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!curve_.drawn) return;
    for (const CurveLine& line : curve_.lines) {
        painter.setPen(QPen(QColor::fromRgb(CurvePenRgb(line.pen)), 2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line.from, line.to);
    }
}

} // namespace vrx
