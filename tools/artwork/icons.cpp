// Drawing of the toolbar and window icons.
#include "icons.h"

#include "canvas.h"
#include "style.h"

#include <QPainterPath>

namespace artwork {
namespace {

constexpr int Grid = 32;

// Each icon is drawn on the 32-unit grid; at 32 pixels one unit is one pixel, so lines of odd
// width sit on half units to stay sharp.
QImage Render(int pixels, const std::function<void(QPainter&)>& draw) {
    QImage image = NewImage({pixels, pixels}, 1, Qt::transparent, true);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.scale(qreal(pixels) / Grid, qreal(pixels) / Grid);
    draw(painter);
    return image;
}

QPen Line(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Protocol(QPainter& p) {
    // The nine-pin serial connector the line is plugged into.
    QPainterPath shell;
    shell.moveTo(3.5, 9.5);
    shell.lineTo(28.5, 9.5);
    shell.lineTo(25, 23.5);
    shell.lineTo(7, 23.5);
    shell.closeSubpath();
    p.setPen(Line(colour::Navy, 1.6));
    p.setBrush(colour::NavyLight);
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Paper);
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(8.5 + i * 3.75, 14), 1.35, 1.35);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(10.4 + i * 3.75, 19), 1.35, 1.35);
    // Fixing screws either side.
    p.setBrush(colour::Slate);
    p.drawEllipse(QPointF(2.5, 16.5), 1.8, 1.8);
    p.drawEllipse(QPointF(29.5, 16.5), 1.8, 1.8);
}

void Monitor(QPainter& p) {
    // A controller front: red process value over green set value, and its lamps.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Bezel);
    p.drawRoundedRect(QRectF(3, 3, 26, 26), 3, 3);
    p.setBrush(colour::Window);
    p.drawRect(QRectF(6, 6, 20, 9));
    p.drawRect(QRectF(6, 17, 20, 6));
    // Digits reduced to their bars: at this size segments would blur into a smudge.
    p.setBrush(colour::LedRed);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(8 + i * 6, 8, 4, 5));
    p.setBrush(colour::LedGreen);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(9 + i * 5.5, 18.5, 3.5, 3));
    p.setBrush(colour::LedYellow);
    p.drawEllipse(QPointF(8, 26), 1.3, 1.3);
    p.setBrush(colour::LedGreen);
    p.drawEllipse(QPointF(12, 26), 1.3, 1.3);
    p.setBrush(colour::LampOff.lighter(150));
    p.drawEllipse(QPointF(16, 26), 1.3, 1.3);
}

void Recorder(QPainter& p) {
    // A sheet of chart paper with two traces.
    p.setPen(Line(colour::Navy, 1.5));
    p.setBrush(colour::Paper);
    p.drawRoundedRect(QRectF(3.75, 4.75, 24.5, 22.5), 1.5, 1.5);
    p.setPen(QPen(colour::Mist.darker(110), 1));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(4.5, 5 + i * 5.5), QPointF(27.5, 5 + i * 5.5));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(4 + i * 6, 5.5), QPointF(4 + i * 6, 26.5));
    p.setBrush(Qt::NoBrush);
    p.setPen(Line(colour::Navy, 1.5));
    p.drawPolyline(QPolygonF({{6, 21}, {10, 17}, {14, 18.5}, {19, 11}, {23, 12}, {26, 9}}));
    p.setPen(Line(colour::Signal, 1.5));
    p.drawPolyline(QPolygonF({{6, 24}, {11, 23}, {15, 20}, {20, 20.5}, {26, 16}}));
}

void Tester(QPainter& p) {
    // A terminal window with a request going out and a reply coming back.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Navy);
    p.drawRoundedRect(QRectF(3, 4, 26, 24), 2.5, 2.5);
    p.setBrush(colour::Ink);
    p.drawRect(QRectF(5, 9, 22, 17));
    p.setBrush(colour::Paper);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(6.5 + i * 3, 6.5), 0.9, 0.9);
    p.setBrush(Qt::NoBrush);
    p.setPen(Line(colour::Amber, 2));
    p.drawLine(QPointF(8, 14), QPointF(23, 14));
    p.drawPolyline(QPolygonF({{19.5, 11}, {23, 14}, {19.5, 17}}));
    p.setPen(Line(colour::SkyBlue, 2));
    p.drawLine(QPointF(24, 21.5), QPointF(9, 21.5));
    p.drawPolyline(QPolygonF({{12.5, 18.5}, {9, 21.5}, {12.5, 24.5}}));
}

void Traffic(QPainter& p) {
    // A list of the frames that crossed the line: requests in amber, replies in sky blue.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Navy);
    p.drawRoundedRect(QRectF(3, 4, 26, 24), 2.5, 2.5);
    p.setBrush(colour::Ink);
    p.drawRect(QRectF(5, 6, 22, 20));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 8.5 + i * 4.5;
        p.setBrush(i % 2 == 0 ? colour::Amber : colour::SkyBlue);
        p.drawRect(QRectF(7, y, 3, 2.5));
        p.drawRect(QRectF(12, y, i % 2 == 0 ? 13 : 9, 2.5));
    }
}

void Scan(QPainter& p) {
    // Finding the controllers: a magnifier over a line with three stations on it, the one
    // under the glass found.
    p.setPen(Line(colour::Navy, 2));
    p.drawLine(QPointF(2.5, 25.5), QPointF(29.5, 25.5));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(i == 1 ? colour::LedGreen : colour::Slate);
        p.drawRoundedRect(QRectF(4 + i * 9.5, 19, 5, 5), 1, 1);
    }
    p.setPen(Line(colour::Navy, 2.4));
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QPointF(16, 11), 7.5, 7.5);
    p.setPen(Line(colour::Navy, 3.2));
    p.drawLine(QPointF(21.5, 16.5), QPointF(27, 22));
}

void Exit(QPainter& p) {
    // The power symbol on a red disc.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Signal);
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setPen(Line(colour::Paper, 2.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9.5, 9.5, 13, 13), 125 * 16, 290 * 16);
    p.drawLine(QPointF(16, 7.5), QPointF(16, 15.5));
}

void About(QPainter& p) {
    // The information sign.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::NavyLight);
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setBrush(colour::Paper);
    p.drawEllipse(QPointF(16, 9.5), 2, 2);
    p.drawRoundedRect(QRectF(14, 13.5, 4, 11), 1.2, 1.2);
    p.drawRect(QRectF(12.5, 13.5, 3, 2));
    p.drawRect(QRectF(12.5, 22.5, 7, 2));
}

void Program(QPainter& p) {
    // The program's own mark: the name over the two display colours.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Navy);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setPen(colour::Paper);
    p.setFont(Font(10.5, QFont::Black));
    p.drawText(QRectF(0, 5, 32, 15), Qt::AlignCenter, "VRX");
    p.setPen(Qt::NoPen);
    p.setBrush(colour::LedRed);
    p.drawRect(QRectF(6, 22, 12, 3));
    p.setBrush(colour::LedGreen);
    p.drawRect(QRectF(19.5, 22, 6.5, 3));
}

void CompactProgram(QPainter& p) {
    // The same mark for menus and panels, where the icon is 16 to 24 pixels: letters of a
    // third of that height would blur into a grey bar, so they grow to fill the square and
    // the two display colours shrink to a thick underline.
    p.setPen(Qt::NoPen);
    p.setBrush(colour::Navy);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 4, 4);
    p.setPen(colour::Paper);
    p.setFont(Font(15, QFont::Black, false, true));
    p.drawText(QRectF(0, 2, 32, 20), Qt::AlignCenter, "VRX");
    p.setPen(Qt::NoPen);
    p.setBrush(colour::LedRed);
    p.drawRect(QRectF(4, 23, 13.5, 5));
    p.setBrush(colour::LedGreen);
    p.drawRect(QRectF(19.5, 23, 8.5, 5));
}

} // namespace

std::vector<Icon> Icons() {
    const auto make = [](void (*draw)(QPainter&)) {
        return [draw](int pixels) { return Render(pixels, draw); };
    };
    return {{"protocol", make(Protocol)}, {"monitor", make(Monitor)}, {"recorder", make(Recorder)},
            {"tester", make(Tester)},     {"exit", make(Exit)},       {"about", make(About)},
            {"traffic", make(Traffic)},   {"scan", make(Scan)},       {"vrx", ProgramIcon}};
}

QImage ProgramIcon(int pixels) {
    return Render(pixels, pixels < 32 ? CompactProgram : Program);
}

} // namespace artwork
