// Drawing of the controller front from the shared layout in frontface.h.
#include "front.h"

#include "frontface.h"
#include "sevensegment.h"
#include "style.h"

#include <QPainter>
#include <QPainterPath>

namespace artwork {
namespace {

using namespace vrx::frontface;

const std::array<QString, 8> LampLabels{"AT",   "OUT1", "OUT2",    "ALM1",
                                        "ALM2", "ALM3", "\u00B0F", "\u00B0C"};

QColor LampColour(int lamp) {
    // The colours the Monitor window gives the lamps when on: run states lime, alarms red,
    // the unit lamps yellow.
    if (lamp <= 2) return colour::LedGreen;
    if (lamp <= 5) return colour::LedRed;
    return colour::LedYellow;
}

void DrawWindow(QPainter& painter, const QRectF& window, const QString& label,
                const QColor& labelColour, const QString& text, const QColor& lit,
                const QColor& ghost) {
    painter.setPen(QPen(colour::FaceEdge, 0.8));
    painter.setBrush(colour::Window);
    painter.drawRect(window);
    DrawSevenSegment(painter, window, text, 4, lit, ghost);

    painter.setPen(labelColour);
    painter.setFont(Font(7, QFont::Bold));
    painter.drawText(QRectF(6, window.top(), window.left() - 8, window.height()), Qt::AlignCenter,
                     label);
}

void DrawLamps(QPainter& painter, const FrontState& state) {
    painter.setFont(Font(5.4, QFont::DemiBold, false, true));
    for (int i = 0; i < int(Lamps.size()); ++i) {
        const QPointF c = Lamps[i];
        painter.setPen(QPen(colour::Face.darker(160), 0.8));
        painter.setBrush(state.lamps[i] ? LampColour(i) : colour::LampOff);
        painter.drawEllipse(c, LampRadius, LampRadius);
        painter.setPen(colour::Mist);
        painter.drawText(QRectF(c.x() - LampPitch / 2, c.y() + 5, LampPitch, 8),
                         Qt::AlignHCenter | Qt::AlignTop, LampLabels[i]);
    }
}

QPainterPath Triangle(const QRectF& key, qreal angle) {
    // A small arrow head pointing up, turned by angle degrees about the key's centre.
    QPainterPath path;
    path.moveTo(0, -2.6);
    path.lineTo(3, 2.2);
    path.lineTo(-3, 2.2);
    path.closeSubpath();
    QTransform t;
    t.translate(key.center().x(), key.center().y());
    t.rotate(angle);
    return t.map(path);
}

void DrawKeys(QPainter& painter) {
    // The maker's mark at the left, four keys at the right: SET, shift, down, up.
    painter.setPen(colour::Paper);
    painter.setFont(Font(10, QFont::Black));
    painter.drawText(QRectF(KeyRow.left() + 2, KeyRow.top(), 40, KeyRow.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, "VRX");

    const qreal width = 20, gap = 3.5;
    qreal x = KeyRow.right() - 4 * width - 3 * gap;
    for (int k = 0; k < 4; ++k, x += width + gap) {
        const QRectF key(x, KeyRow.top() + 1, width, KeyRow.height() - 2);
        painter.setPen(QPen(colour::FaceEdge, 0.8));
        painter.setBrush(colour::KeyCap);
        painter.drawRoundedRect(key, 3, 3);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour::Mist);
        switch (k) {
        case 0:
            painter.setPen(colour::Mist);
            painter.setFont(Font(6, QFont::Bold));
            painter.drawText(key, Qt::AlignCenter, "SET");
            break;
        case 1:
            painter.drawPath(Triangle(key, -90));
            break;
        case 2:
            painter.drawPath(Triangle(key, 180));
            break;
        case 3:
            painter.drawPath(Triangle(key, 0));
            break;
        }
    }
}

} // namespace

void DrawFront(QPainter& painter, const QRectF& target, const FrontState& state) {
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / DesignSize.width(), target.height() / DesignSize.height());

    const QRectF whole(QPointF(0, 0), DesignSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::Bezel);
    painter.drawRect(whole);
    painter.setPen(QPen(colour::FaceEdge, 1));
    painter.setBrush(colour::Face);
    painter.drawRect(whole.adjusted(4, 4, -4, -4));

    DrawWindow(painter, PvWindow, "PV", colour::LedRed, state.pv, colour::LedRed,
               colour::LedRedGhost);
    DrawWindow(painter, SvWindow, "SV", colour::LedGreen, state.sv, colour::LedGreen,
               colour::LedGreenGhost);
    DrawLamps(painter, state);
    DrawKeys(painter);
    painter.restore();
}

} // namespace artwork
