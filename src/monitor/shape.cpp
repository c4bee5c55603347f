// Drawing a Shape.
#include "shape.h"

#include <QPainter>

namespace vrx {

Shape::Shape(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind) {}

void Shape::SetBrushColor(const QColor& colour) {
    if (colour == brush_) return;
    brush_ = colour;
    update();
}

void Shape::SetPenColor(const QColor& colour) {
    if (colour == pen_) return;
    pen_ = colour;
    update();
}

void Shape::SetPenWidth(int width) {
    penWidth_ = width;
    update();
}

void Shape::SetHollow(bool hollow) {
    hollow_ = hollow;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(pen_, penWidth_));
    painter.setBrush(hollow_ ? Qt::NoBrush : QBrush(brush_));
    // The pen is centred on the outline: keep all of it inside the widget.
    const qreal inset = penWidth_ / 2.0;
    QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    switch (kind_) {
    case Kind::Circle: {
        const qreal d = std::min(area.width(), area.height());
        area = QRectF(area.center().x() - d / 2, area.center().y() - d / 2, d, d);
        painter.drawEllipse(area);
        break;
    }
    case Kind::Ellipse:
        painter.drawEllipse(area);
        break;
    case Kind::RoundSquare: {
        const qreal r = std::min(area.width(), area.height()) / 4;
        painter.drawRoundedRect(area, r, r);
        break;
    }
    }
}

} // namespace vrx
