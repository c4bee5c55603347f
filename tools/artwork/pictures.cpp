// Drawing of the JPEG pictures.
#include "pictures.h"

#include "canvas.h"
#include "front.h"
#include "frontface.h"
#include "style.h"

#include <QFontMetricsF>
#include <QPainterPath>

#include <utility>
#include <vector>

namespace artwork {
namespace {

// Two short bars in the display colours, the accent that ties the name to the displays.
void DrawAccent(QPainter& painter, qreal x, qreal y, qreal length, qreal thickness) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::LedRed);
    painter.drawRect(QRectF(x, y, length, thickness));
    painter.setBrush(colour::LedGreen);
    painter.drawRect(QRectF(x + length + thickness, y, length * 0.5, thickness));
}

// A run of bits as a line shows them: high and low levels joined by sharp edges.
QPainterPath SquareWave(QPointF start, qreal bitWidth, qreal height, const QString& bits) {
    QPainterPath path(start);
    qreal x = start.x();
    const qreal high = start.y() - height, low = start.y();
    for (QChar bit : bits) {
        const qreal level = bit == u'1' ? high : low;
        path.lineTo(x, level);
        x += bitWidth;
        path.lineTo(x, level);
    }
    path.lineTo(x, low);
    return path;
}

// One field of a frame as a coloured chip with its hex digits; returns the chip's width.
qreal DrawChip(QPainter& painter, qreal x, qreal y, qreal height, const QString& text,
               const QColor& fill) {
    const QFont font = Font(7.4, QFont::Bold, true);
    const qreal width = QFontMetricsF(font).horizontalAdvance(text) + 6;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(x, y, width, height), 2.2, 2.2);
    painter.setFont(font);
    painter.setPen(colour::Paper);
    painter.drawText(QRectF(x, y, width, height), Qt::AlignCenter, text);
    return width;
}

qreal FrameWidth(const std::vector<std::pair<QString, QColor>>& fields, qreal gap) {
    const QFontMetricsF metrics(Font(7.4, QFont::Bold, true));
    qreal width = -gap;
    for (const auto& field : fields)
        width += metrics.horizontalAdvance(field.first) + 6 + gap;
    return width;
}

void DrawFrame(QPainter& painter, qreal x, qreal y,
               const std::vector<std::pair<QString, QColor>>& fields) {
    for (const auto& [text, fill] : fields)
        x += DrawChip(painter, x, y, 12, text, fill) + 2;
}

QPainterPath Arrow(QPointF from, QPointF to) {
    // A shaft with an open head at `to`.
    QPainterPath path(from);
    path.lineTo(to);
    const qreal dir = to.x() > from.x() ? -1 : 1;
    path.moveTo(to.x() + dir * 4, to.y() - 3);
    path.lineTo(to);
    path.lineTo(to.x() + dir * 4, to.y() + 3);
    return path;
}

void DrawComputer(QPainter& painter, const QRectF& box) {
    // A flat screen on a foot: the program's side of the line.
    const QRectF screen(box.left(), box.top(), box.width(), box.height() * 0.72);
    painter.setPen(QPen(colour::Navy, 1.6));
    painter.setBrush(colour::Paper);
    painter.drawRoundedRect(screen, 2, 2);
    painter.setPen(QPen(colour::NavyLight, 1.2));
    for (int i = 0; i < 3; ++i) {
        const qreal y = screen.top() + 5 + i * 4;
        painter.drawLine(QPointF(screen.left() + 4, y),
                         QPointF(screen.right() - 4 - (i == 2 ? 8 : 0), y));
    }
    painter.setPen(QPen(colour::Navy, 1.6));
    const qreal cx = box.center().x();
    painter.drawLine(QPointF(cx, screen.bottom()), QPointF(cx, box.bottom() - 1));
    painter.drawLine(QPointF(cx - 8, box.bottom() - 1), QPointF(cx + 8, box.bottom() - 1));
}

void DrawController(QPainter& painter, const QRectF& box) {
    // The controller's side, reduced to what still reads at this size: bezel and two displays.
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::Bezel);
    painter.drawRoundedRect(box, 2, 2);
    const qreal inset = box.width() * 0.14;
    const QRectF pv(box.left() + inset, box.top() + inset, box.width() - 2 * inset,
                    box.height() * 0.3);
    const QRectF sv(pv.left(), pv.bottom() + inset * 0.7, pv.width(), box.height() * 0.22);
    painter.setBrush(colour::Window);
    painter.drawRect(pv);
    painter.drawRect(sv);
    painter.setBrush(colour::LedRed);
    painter.drawRect(pv.adjusted(3, 3.5, -3, -3.5));
    painter.setBrush(colour::LedGreen);
    painter.drawRect(sv.adjusted(5, 2.6, -3, -2.6));
    painter.setBrush(colour::KeyCap);
    for (int i = 0; i < 3; ++i)
        painter.drawRoundedRect(
            QRectF(box.right() - inset - 5 - i * 6.5, box.bottom() - inset - 3, 5, 3.2), 1, 1);
}

} // namespace

QImage MainPicture() {
    QImage image = NewImage({280, 150}, PictureScale, colour::Paper);
    QPainter painter;
    BeginDesign(painter, image, PictureScale);

    FrontState lit;
    lit.pv = "125.0";
    lit.sv = "120.0";
    lit.lamps[1] = true; // OUT1: the controller is heating toward its set value
    lit.lamps[7] = true; // degrees C
    DrawFront(painter, QRectF(12, 15, 120, 120), lit);

    // The name block, left-aligned on one edge and kept inside the picture with a margin.
    const qreal x = 148, width = 280 - 10 - x;
    painter.setPen(colour::Navy);
    painter.setFont(Font(44, QFont::Black));
    painter.drawText(QRectF(x - 2, 18, width, 50), Qt::AlignLeft | Qt::AlignVCenter, "VRX");
    DrawAccent(painter, x + 1, 70, 36, 3);

    painter.setPen(colour::Ink);
    painter.setFont(Font(10.5, QFont::Bold, false, true));
    painter.drawText(QRectF(x, 80, width, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     "Digital Controller");
    painter.setPen(colour::Slate);
    painter.setFont(Font(10.5, QFont::Normal, false, true));
    painter.drawText(QRectF(x, 95, width, 15), Qt::AlignLeft | Qt::AlignVCenter,
                     "Communication Program");

    // The serial line that the program speaks over, as a start bit and a byte.
    painter.setPen(QPen(colour::NavyLight, 1.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(SquareWave(QPointF(x + 1, 133), 8, 8, "1010011010110"));
    return image;
}

QImage TesterPicture() {
    QImage image = NewImage({200, 130}, PictureScale, colour::SkyBlue);
    QPainter painter;
    BeginDesign(painter, image, PictureScale);

    const QColor colon = colour::Slate, address = colour::Navy, function = colour::Teal,
                 field = colour::NavyLight, check = colour::Signal;
    const std::vector<std::pair<QString, QColor>> request{{":", colon},     {"01", address},
                                                          {"03", function}, {"1000", field},
                                                          {"0001", field},  {"EB", check}};
    const std::vector<std::pair<QString, QColor>> reply{{":", colon},     {"01", address},
                                                        {"03", function}, {"02", field},
                                                        {"000A", field},  {"F0", check}};

    // Request at the top travelling right, reply at the bottom travelling left, the line
    // between the two ends in the middle.
    painter.setPen(colour::Navy);
    painter.setFont(Font(7, QFont::Bold));
    painter.drawText(QRectF(10, 6, 80, 10), Qt::AlignLeft | Qt::AlignVCenter, "REQUEST");
    DrawFrame(painter, 10, 18, request);
    const qreal requestEnd = 10 + FrameWidth(request, 2);
    painter.setPen(QPen(colour::Navy, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Arrow(QPointF(requestEnd + 4, 24), QPointF(190, 24)));

    DrawComputer(painter, QRectF(10, 48, 30, 30));
    DrawController(painter, QRectF(160, 48, 30, 30));
    // The cable idles low at both ends; the bits ride on it in the middle.
    const qreal line = 62, waveStart = 54, bitWidth = 7;
    const QString bits = "0110100101101";
    const qreal waveEnd = waveStart + bits.size() * bitWidth;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour::Ink, 1.2));
    painter.drawLine(QPointF(40, line), QPointF(waveStart, line));
    painter.drawLine(QPointF(waveEnd, line), QPointF(160, line));
    painter.setPen(QPen(colour::Signal, 1.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(SquareWave(QPointF(waveStart, line), bitWidth, 11, bits));

    const qreal replyLeft = 190 - FrameWidth(reply, 2);
    painter.setPen(colour::Navy);
    painter.setFont(Font(7, QFont::Bold));
    painter.drawText(QRectF(110, 92, 80, 10), Qt::AlignRight | Qt::AlignVCenter, "REPLY");
    DrawFrame(painter, replyLeft, 104, reply);
    painter.setPen(QPen(colour::Navy, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Arrow(QPointF(replyLeft - 4, 110), QPointF(10, 110)));
    return image;
}

QImage LogoPicture() {
    QImage image = NewImage({90, 43}, PictureScale, colour::Paper);
    QPainter painter;
    BeginDesign(painter, image, PictureScale);
    painter.setPen(colour::Navy);
    painter.setFont(Font(26, QFont::Black));
    painter.drawText(QRectF(0, 1, 90, 27), Qt::AlignCenter, "VRX");
    DrawAccent(painter, 20, 28.5, 32, 2.2);
    QFont tag = Font(5.6, QFont::Bold);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    painter.setPen(colour::Slate);
    painter.setFont(tag);
    painter.drawText(QRectF(0, 33, 90, 8), Qt::AlignCenter, "DIGITAL CONTROLLER");
    return image;
}

QImage FrontPicture() {
    QImage image = NewImage(vrx::frontface::DesignSize.toSize(), PictureScale, colour::Bezel);
    QPainter painter;
    BeginDesign(painter, image, PictureScale);
    DrawFront(painter, QRectF(QPointF(0, 0), vrx::frontface::DesignSize), FrontState{});
    return image;
}

} // namespace artwork
