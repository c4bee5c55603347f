// Painting the program's curve and its axes.
#include "curveimage.h"

#include "palette.h"

#include <QPainter>

namespace vrx {

namespace {

const QColor GridGrey(palette::CurveGridGrey);
const QColor Paper(palette::CurvePaper);
const QColor Ink(palette::CurveInk);

} // namespace

CurveImage::CurveImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CurveImage::SetCurve(const ProgramCurve& curve) {
    curve_ = curve;
    update();
}

AxisText CurveImage::Text(const QString& temperatureUnit) const {
    const QFontMetrics metrics = fontMetrics();
    return {[metrics](const QString& text) { return metrics.horizontalAdvance(text); },
            metrics.height(), temperatureUnit};
}

void CurveImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Square pixels, as the lines were computed: smoothing would blur a one-row ramp.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Ink, 1));
    painter.setBrush(Paper);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!curve_.drawn) return;
    if (curve_.tickLength > 0) {
        PaintAxes(painter);
        // A repeating cycle runs on beyond the field: cut there, clear of the frame and labels.
        painter.setClipRect(curve_.plot.adjusted(-1, -1, 1, 1));
    }
    for (const CurveLine& line : curve_.lines) {
        painter.setPen(QPen(QColor::fromRgb(CurvePenRgb(line.pen)), 2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(line.from, line.to);
    }
}

void CurveImage::PaintAxes(QPainter& painter) const {
    const QRect plot = curve_.plot;
    const int tick = curve_.tickLength;
    // The grid under the lines, faint, so that it never hides them.
    painter.setPen(QPen(GridGrey, 1));
    for (const AxisLabel& label : curve_.temperatureLabels)
        painter.drawLine(plot.left(), label.tick, plot.right(), label.tick);
    for (const AxisLabel& label : curve_.timeLabels)
        if (label.tick > plot.left())
            painter.drawLine(label.tick, plot.top(), label.tick, plot.bottom());

    painter.setPen(QPen(Ink, 1));
    painter.drawLine(plot.left() - 1, plot.top(), plot.left() - 1, plot.bottom() + 1);
    painter.drawLine(plot.left() - 1, plot.bottom() + 1, plot.right(), plot.bottom() + 1);
    for (const AxisLabel& label : curve_.temperatureLabels) {
        painter.drawLine(plot.left() - 1 - tick, label.tick, plot.left() - 1, label.tick);
        painter.drawText(label.box, Qt::AlignRight | Qt::AlignVCenter, label.text);
    }
    for (const AxisLabel& label : curve_.timeLabels) {
        painter.drawLine(label.tick, plot.bottom() + 1, label.tick, plot.bottom() + tick);
        painter.drawText(label.box, Qt::AlignCenter, label.text);
    }
    for (const AxisLabel* unit : {&curve_.timeUnit, &curve_.temperatureUnit})
        if (!unit->text.isEmpty()) painter.drawText(unit->box, Qt::AlignCenter, unit->text);
}

} // namespace vrx
