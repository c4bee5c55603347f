// The trend chart's painter: axes, grid and labels, the curve with its minute markers, and the
// block copy that scrolls it.
#include "trendcanvas.h"

#include <QLine>
#include <QList>
#include <QPaintEvent>
#include <QPainter>

#include <cstring>

namespace vrx {

namespace {

const QColor White(255, 255, 255);
const QColor Silver(192, 192, 192);
const QColor Black(0, 0, 0);

// The chart's font: 8 points on a 96-dpi screen, whatever the image's own resolution.
constexpr int FontPixels = 11;

// Text whose top-left corner is at (x, y), white on black over whatever lies below.
void Label(QPainter& painter, int x, int y, const QString& text) {
    const QPen pen = painter.pen();
    painter.setPen(White);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(pen);
}

// A minute marker: a dotted line down the plot at x, and the sample's value beside it.
void Marker(QPainter& painter, const TrendGeometry& g, const TrendPoint& point) {
    const QPen pen = painter.pen();
    painter.setPen(QPen(White, 1, Qt::DotLine));
    // Lines end before their end point, so the plot's bottom line stays clear.
    painter.drawLine(point.x, 0, point.x, g.Y1 - 1);
    painter.setPen(pen);
    Label(painter, point.x - 33, point.row + 3, TrendValueText(point.value));
}

} // namespace

TrendCanvas::TrendCanvas(int screenWidth) {
    font_.setPixelSize(FontPixels);
    SetScreenWidth(screenWidth);
}

void TrendCanvas::SetScreenWidth(int screenWidth) {
    const TrendGeometry geometry = TrendGeometry::For(screenWidth);
    if (geometry != geometry_ || image_.isNull()) {
        geometry_ = geometry;
        image_ = QImage(qMax(1, geometry_.W), qMax(1, geometry_.H), QImage::Format_RGB32);
    }
    image_.fill(Black);
}

void TrendCanvas::DrawTrend(const TrendSamples& samples) {
    const TrendGeometry& g = geometry_;
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setBackground(Black);
    painter.fillRect(0, 0, g.W, g.H, Black);
    painter.setPen(White);
    painter.drawLine(g.X0 - 1, 0, g.X0 - 1, g.H - 11);
    painter.drawLine(g.X0 - 20, g.Y1 + 1, g.X1 + 3, g.Y1 + 1);

    const TrendScaleChoice scale = ChooseTrendScale(samples.max, samples.min);
    TrendScale = scale.TrendScale;
    ScaleDivides = scale.ScaleDivides;
    TrendBase = scale.TrendBase;
    TrendStart = TrendStartOf(samples);

    painter.setPen(Silver);
    for (const TrendGridLine& line : TrendGrid(scale)) {
        const int row = g.Scaled(line.designLine);
        painter.drawLine(g.X0, row, g.X1 + 3, row);
        Label(painter, g.X0 - 32, row - 4, TrendGridText(line.value));
    }

    painter.setPen(White);
    const QList<TrendPoint> points = TrendPlot(samples, scale, g);
    if (points.isEmpty()) return;
    PreviousPoint = {g.X0 + 1, points.first().row};
    Label(painter, g.X0 + 2, PreviousPoint.y() + 3, TrendValueText(points.first().value));
    // Segment by segment, as one sample after another draws them; each marker goes over the
    // curve so far and under the curve after it.
    QList<QLine> segments;
    segments.reserve(points.size());
    QPoint from = PreviousPoint;
    for (const TrendPoint& point : points) {
        const QPoint to(point.x, point.row);
        segments << QLine(from, to);
        from = to;
        if (!point.marker) continue;
        painter.drawLines(segments);
        segments.clear();
        Marker(painter, g, point);
    }
    painter.drawLines(segments);
    PreviousPoint = {points.last().x, points.last().row};
}

bool TrendCanvas::AddTrendPoint(const TrendSamples& samples) {
    const TrendStep step = NextTrendStep(samples, Scale(), geometry_);
    if (step.redraw) return false;
    if (samples.wrapped) {
        ScrollPlot(step.scroll);
        PreviousPoint = {geometry_.X1 - step.scroll, PreviousPoint.y()};
    }
    QPainter painter(&image_);
    painter.setFont(font_);
    painter.setBackground(Black);
    painter.setPen(White);
    const QPoint point(step.point.x, step.point.row);
    painter.drawLine(PreviousPoint, point);
    PreviousPoint = point;
    if (step.point.marker) Marker(painter, geometry_, step.point);
    return true;
}

void TrendCanvas::ScrollPlot(int pixels) {
    const TrendGeometry& g = geometry_;
    const int width = image_.width();
    const int rows = qMin(g.Y1, image_.height());
    // The plot from X0 + pixels moves to X0; then the two columns right of the plot, which hold
    // only the background and the grid lines' ends, are copied back over the plot's right edge.
    const int from = qBound(0, g.X0 + pixels, width);
    const int to = qBound(0, g.X0, width);
    const int span = qMax(0, qMin(g.X1 - g.X0, width - from));
    const int edgeFrom = qBound(0, g.X1 + 2, width);
    const int edgeTo = qBound(0, g.X1, width);
    const int edgeSpan = qMax(0, qMin(2, width - edgeFrom));
    constexpr std::ptrdiff_t Bytes = 4; // RGB32
    for (int y = 0; y < rows; ++y) {
        uchar* line = image_.scanLine(y);
        std::memmove(line + to * Bytes, line + from * Bytes, std::size_t(span * Bytes));
        std::memmove(line + edgeTo * Bytes, line + edgeFrom * Bytes, std::size_t(edgeSpan * Bytes));
    }
}

TrendImage::TrendImage(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Black);
    painter.drawImage(0, 0, canvas_.Image());
}

} // namespace vrx
