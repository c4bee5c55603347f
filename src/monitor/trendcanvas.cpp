// The trend chart's painter: axes, grid and labels, the curve with its minute markers, and the
// block copy that scrolls it.
#include "trendcanvas.h"

#include "palette.h"

#include <QLine>
#include <QList>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace vrx {

namespace {

const QColor Ink(palette::TrendInk);
const QColor Field(palette::TrendField);
const QColor Grid(palette::TrendGridSilver);
const QColor PvLine(palette::PvTrace);
const QColor SvLine(palette::SvTrace);

// The chart's font: 8 points on a 96-dpi screen, whatever the image's own resolution.
constexpr int FontPixels = 11;

// Text whose top-left corner is at (x, y), white on black over whatever lies below.
void Label(QPainter& painter, int x, int y, const QString& text) {
    const QPen pen = painter.pen();
    painter.setPen(Ink);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(pen);
}

// A minute marker: a dotted line down the plot at x, and the sample's value beside it.
void Marker(QPainter& painter, const TrendGeometry& g, const TrendPoint& point) {
    const QPen pen = painter.pen();
    painter.setPen(QPen(Ink, 1, Qt::DotLine));
    // Lines end before their end point, so the plot's bottom line stays clear.
    painter.drawLine(point.x, 0, point.x, g.Y1 - 1);
    painter.setPen(pen);
    Label(painter, point.x - 33, point.row + 3, TenthsText(point.value));
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
    image_.fill(Field);
}

void TrendCanvas::DrawFrame(QPainter& painter, const TrendScaleChoice& scale) {
    const TrendGeometry& g = geometry_;
    painter.setFont(font_);
    painter.setBackground(Field);
    painter.fillRect(0, 0, g.W, g.H, Field);
    painter.setPen(Ink);
    painter.drawLine(g.X0 - 1, 0, g.X0 - 1, g.H - 11);
    painter.drawLine(g.X0 - 20, g.Y1 + 1, g.X1 + 3, g.Y1 + 1);
    TrendScale = scale.factor;
    ScaleDivides = scale.divides;
    TrendBase = scale.base;
    painter.setPen(Grid);
    for (const TrendGridLine& line : TrendGrid(scale)) {
        const int row = g.Scaled(line.designLine);
        painter.drawLine(g.X0, row, g.X1 + 3, row);
        Label(painter, g.X0 - 32, row - 4, TrendGridText(line.value));
    }
}

void TrendCanvas::DrawTrend(const TrendSamples& samples) {
    const TrendGeometry& g = geometry_;
    span_.reset();
    QPainter painter(&image_);
    const TrendScaleChoice scale = ChooseTrendScale(samples.max, samples.min);
    DrawFrame(painter, scale);
    TrendStart = TrendStartOf(samples);

    painter.setPen(PvLine);
    const QList<TrendPoint> points = TrendPlot(samples, scale, g);
    if (points.isEmpty()) return;
    PreviousPoint = {g.X0 + 1, points.first().row};
    const bool withSv = !samples.sv.empty();
    if (withSv) {
        const int first = samples.sv[std::size_t(RingPositionOf(samples, 0))];
        PreviousSvPoint = {g.X0 + 1, g.Scaled(TrendDesignLine(first, scale))};
    }
    Label(painter, g.X0 + 2, PreviousPoint.y() + 3, TenthsText(points.first().value));
    // Segment by segment, as one sample after another draws them; each marker goes over the
    // curve so far and under the curve after it.
    QList<QLine> segments;
    segments.reserve(points.size());
    QPoint from = PreviousPoint;
    for (qsizetype k = 0; k < points.size(); ++k) {
        const TrendPoint& point = points[k];
        const QPoint to(point.x, point.row);
        if (withSv) {
            // The set value goes under the process value, one sample at a time as AddTrendPoint
            // draws them, so that both drawings give the same pixels where the lines cross.
            SvSegment(painter, point.x, samples.sv[std::size_t(RingPositionOf(samples, int(k)))],
                      scale);
            painter.drawLine(from, to);
        } else {
            segments << QLine(from, to);
        }
        from = to;
        if (!point.marker) continue;
        painter.drawLines(segments);
        segments.clear();
        Marker(painter, g, point);
    }
    painter.drawLines(segments);
    PreviousPoint = {points.last().x, points.last().row};
}

void TrendCanvas::SvSegment(QPainter& painter, int x, int value, const TrendScaleChoice& scale) {
    const TrendGeometry& g = geometry_;
    const QPoint to(x, g.Scaled(TrendDesignLine(value, scale)));
    const QPen pen = painter.pen();
    // Kept inside the plot: the scale is the process value's, and the set value may lie off it.
    painter.setClipRect(QRect(g.X0, 0, g.X1 - g.X0 + 1, g.Y1));
    painter.setPen(SvLine);
    painter.drawLine(PreviousSvPoint, to);
    painter.setClipping(false);
    painter.setPen(pen);
    PreviousSvPoint = to;
}

void TrendCanvas::DrawSpan(const TrendSamples& samples, const ChartSpan& span) {
    const TrendGeometry& g = geometry_;
    span_ = span;
    const int n = SampleCountOf(samples);
    const int first = qBound(0, int(std::floor(span.first)) - 1, n);
    const int end = qBound(0, int(std::ceil(span.first + span.count)) + 1, n);
    const auto value = [&](std::span<const int> values, int k) {
        return values[std::size_t(RingPositionOf(samples, k))];
    };
    // The scale holds both lines of the samples shown.
    int high = first < end ? value(samples.history, first) : 0;
    int low = high;
    for (int k = first; k < end; ++k) {
        for (const std::span<const int> values : {samples.history, samples.sv}) {
            if (values.empty()) continue;
            high = qMax(high, value(values, k));
            low = qMin(low, value(values, k));
        }
    }
    const TrendScaleChoice scale = ChooseTrendScale(high, low);
    QPainter painter(&image_);
    DrawFrame(painter, scale);
    if (first >= end) return;
    painter.setClipRect(QRect(g.X0, 0, g.X1 - g.X0 + 1, g.Y1));
    const auto row = [&](int v) { return g.Scaled(TrendDesignLine(v, scale)); };
    for (const std::span<const int> values : {samples.sv, samples.history}) {
        if (values.empty()) continue;
        painter.setPen(values.data() == samples.sv.data() ? SvLine : PvLine);
        QPolygon line;
        for (int k = first; k < end; ++k)
            line << QPoint(XOf(k), row(value(values, k)));
        painter.drawPolyline(line);
    }
    for (int k = first; k < end; ++k) {
        const int p = RingPositionOf(samples, k);
        if (p % TrendMarkerEvery == 0)
            Marker(painter, g,
                   {XOf(k), row(value(samples.history, k)), value(samples.history, k), true});
    }
}

int TrendCanvas::XOf(int k) const {
    const TrendGeometry& g = geometry_;
    if (!span_) return g.X0 + g.Scaled(k + 1);
    return g.X0 + int(std::lround((k - span_->first) * (g.X1 - g.X0) / span_->count));
}

int TrendCanvas::SampleAt(const TrendSamples& samples, int x) const {
    const TrendGeometry& g = geometry_;
    if (x < g.X0 || x > g.X1) return -1;
    const double across = double(x - g.X0) / qMax(1, g.X1 - g.X0);
    const int k = span_ ? int(std::lround(span_->first + across * span_->count))
                        : int(std::lround(across * TrendPositions)) - 1;
    return k >= 0 && k < SampleCountOf(samples) ? k : -1;
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
    painter.setBackground(Field);
    painter.setPen(PvLine);
    const QPoint point(step.point.x, step.point.row);
    if (!samples.sv.empty()) {
        if (samples.wrapped) PreviousSvPoint = {geometry_.X1 - step.scroll, PreviousSvPoint.y()};
        SvSegment(painter, point.x(), samples.sv[std::size_t(samples.index)], Scale());
    }
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
    painter.fillRect(event->rect(), Field);
    painter.drawImage(0, 0, canvas_.Image());
    PaintReadout(painter, rect(), readout_, QColor(palette::TrendReadoutLine), Field, Ink);
}

} // namespace vrx
