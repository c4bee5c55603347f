// Seven-segment digit drawing.
#include "sevensegment.h"

#include <QPainter>
#include <QPolygonF>

#include <array>
#include <vector>

namespace artwork {
namespace {

// Segment bits a..g as bits 0..6.
constexpr unsigned SegA = 1, SegB = 2, SegC = 4, SegD = 8, SegE = 16, SegF = 32, SegG = 64;

unsigned SegmentsOf(QChar c) {
    static constexpr std::array<unsigned, 10> digits{SegA | SegB | SegC | SegD | SegE | SegF,
                                                     SegB | SegC,
                                                     SegA | SegB | SegD | SegE | SegG,
                                                     SegA | SegB | SegC | SegD | SegG,
                                                     SegB | SegC | SegF | SegG,
                                                     SegA | SegC | SegD | SegF | SegG,
                                                     SegA | SegC | SegD | SegE | SegF | SegG,
                                                     SegA | SegB | SegC,
                                                     SegA | SegB | SegC | SegD | SegE | SegF | SegG,
                                                     SegA | SegB | SegC | SegD | SegF | SegG};
    if (c.isDigit()) return digits[c.digitValue()];
    if (c == u'-') return SegG;
    return 0;
}

struct Cell {
    unsigned segments = 0;
    bool point = false;
};

// Splits the text into cells; a '.' belongs to the digit before it.
std::vector<Cell> CellsOf(const QString& text) {
    std::vector<Cell> cells;
    for (QChar c : text) {
        if (c == u'.' && !cells.empty()) {
            cells.back().point = true;
            continue;
        }
        cells.push_back({SegmentsOf(c), false});
    }
    return cells;
}

// A six-sided bar between two points on one axis, pointed at both ends so that neighbouring
// segments meet on a mitre, as on a real display.
QPolygonF Bar(QPointF from, QPointF to, qreal thickness) {
    const qreal h = thickness / 2;
    if (from.y() == to.y())
        return QPolygonF({from,
                          {from.x() + h, from.y() - h},
                          {to.x() - h, to.y() - h},
                          to,
                          {to.x() - h, to.y() + h},
                          {from.x() + h, from.y() + h}});
    return QPolygonF({from,
                      {from.x() + h, from.y() + h},
                      {to.x() + h, to.y() - h},
                      to,
                      {to.x() - h, to.y() - h},
                      {from.x() - h, from.y() + h}});
}

void DrawDigit(QPainter& painter, const QRectF& box, const Cell& cell, const QColor& lit,
               const QColor& ghost) {
    const qreal t = box.width() * 0.2;
    const qreal gap = t * 0.18;
    const qreal l = box.left() + t / 2, r = box.right() - t / 2;
    const qreal top = box.top() + t / 2, mid = box.center().y(), bottom = box.bottom() - t / 2;
    const std::array<std::pair<QPointF, QPointF>, 7> lines{{
        {{l + gap, top}, {r - gap, top}},
        {{r, top + gap}, {r, mid - gap}},
        {{r, mid + gap}, {r, bottom - gap}},
        {{l + gap, bottom}, {r - gap, bottom}},
        {{l, mid + gap}, {l, bottom - gap}},
        {{l, top + gap}, {l, mid - gap}},
        {{l + gap, mid}, {r - gap, mid}},
    }};
    // A slight forward lean, as most controller displays have; applied about the digit's
    // baseline so the cell keeps its place.
    QTransform lean;
    lean.translate(0, box.bottom());
    lean.shear(-0.08, 0);
    lean.translate(0, -box.bottom());
    for (int i = 0; i < 7; ++i) {
        painter.setBrush((cell.segments >> i) & 1 ? lit : ghost);
        painter.drawPolygon(lean.map(Bar(lines[i].first, lines[i].second, t)));
    }
    const qreal dot = t * 1.1;
    painter.setBrush(cell.point ? lit : ghost);
    painter.drawRect(lean.mapRect(QRectF(box.right() + t * 0.45, box.bottom() - dot, dot, dot)));
}

} // namespace

void DrawSevenSegment(QPainter& painter, const QRectF& window, const QString& text, int cells,
                      const QColor& lit, const QColor& ghost) {
    std::vector<Cell> shown = CellsOf(text);
    // Right-aligned, as the controller shows numbers; the first cells stay dark.
    std::vector<Cell> row(cells);
    for (int i = 0; i < cells && i < int(shown.size()); ++i)
        row[cells - 1 - i] = shown[shown.size() - 1 - i];

    const qreal height = window.height() * 0.68;
    const qreal width = height * 0.5;
    const qreal pitch = width * 1.45;
    const qreal total = (cells - 1) * pitch + width;
    const qreal left = window.right() - window.width() * 0.06 - total - width * 0.3;
    const qreal top = window.center().y() - height / 2;

    painter.save();
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < cells; ++i)
        DrawDigit(painter, QRectF(left + i * pitch, top, width, height), row[i], lit, ghost);
    painter.restore();
}

} // namespace artwork
