// Drawing the trend chart.
#include "trendchart.h"

#include "palette.h"

#include <QCoreApplication>
#include <QPainter>

#include <limits>

namespace vrx {

namespace {

constexpr int NoPoint = std::numeric_limits<int>::min();
const QColor Paper(palette::ChartPaper);
const QColor Ink(palette::ChartInk);
const QColor Grid(palette::ChartGridGrey);
// The chart's texts: 12 and 8 points at the design's 96 dots per inch.
constexpr int AxisFontPixels = 16;
constexpr int LabelFontPixels = 11;
constexpr int GridLabelX = 15; // not scaled

QFont ChartFont(int pixels) {
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

void TextAt(QPainter& painter, int x, int y, const QString& text) {
    // Placed by its top left corner, as the design places every chart text.
    painter.drawText(QRect(x, y, 4000, 200), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, text);
}

} // namespace

const std::array<QColor, DevicePositions>& DeviceColors() {
    static_assert(palette::DeviceColours.size() == DevicePositions);
    static const std::array<QColor, DevicePositions> colors = [] {
        std::array<QColor, DevicePositions> made;
        for (std::size_t p = 0; p < made.size(); ++p)
            made[p] = QColor(palette::DeviceColours[p]);
        return made;
    }();
    return colors;
}

// One painter for a whole operation, however deep the calls nest.
class TrendChart::Session {
public:
    explicit Session(TrendChart& chart) : chart_(chart), owner_(!chart.painter_.isActive()) {
        if (owner_) chart_.painter_.begin(&chart_.image_);
    }
    ~Session() {
        if (owner_) chart_.painter_.end();
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

private:
    TrendChart& chart_;
    bool owner_;
};

TrendChart::TrendChart(int screenWidth)
    : geometry_(ChartGeometry::For(screenWidth)),
      image_(geometry_.ChartRight, geometry_.ImageHeight, QImage::Format_RGB32) {
    image_.fill(Paper);
    LastY.fill(NoPoint);
    NewY.fill(NoPoint);
}

void TrendChart::ClearChart() {
    Session session(*this);
    const int h = FullRedraw ? geometry_.ChartBottom : geometry_.ImageHeight;
    painter_.fillRect(QRect(0, 0, geometry_.ChartRight, h), Paper);
    DrawAxes();
}

void TrendChart::DrawAxes() {
    Session session(*this);
    const ChartGeometry& g = geometry_;
    painter_.setPen(QPen(Ink, 3));
    painter_.drawLine(g.ChartLeft - g.screenWidth / 20, g.ChartBottom, g.ChartRight, g.ChartBottom);
    painter_.drawLine(g.ChartLeft, g.ChartTop, g.ChartLeft, g.ChartBottom + g.screenWidth / 33);
    painter_.setFont(ChartFont(AxisFontPixels));
    TextAt(painter_, g.ChartLeft - g.screenWidth / 20, g.ChartBottom + g.screenWidth / 100,
           QCoreApplication::translate("vrx::TrendChart", "Time"));
}

void TrendChart::FindWindowRange(const SampleStore& samples, const UsedPositions& used, int start,
                                 int count) {
    const WindowRange range = vrx::FindWindowRange(samples, used, start, count);
    WindowMax = range.max;
    WindowMin = range.min;
}

int TrendChart::PointY(qint32 value) const {
    if (value == MissingSample) return NoPoint;
    return geometry_.PixelY(DesignHeight(value, Scale));
}

void TrendChart::ScaleAndGrid(const SampleStore& samples, const UsedPositions& used, int start) {
    Session session(*this);
    if (!FullRedraw) TimeLabelUpper = false;
    Scale = ChooseScale({WindowMax, WindowMin});

    DrawGrid();
    for (int p = 0; p < DevicePositions; ++p) {
        if (!used[std::size_t(p)]) continue;
        const qint32 v = samples.At(p, start);
        LastY[std::size_t(p)] = PointY(v);
        if (v != MissingSample) ValueLabel(p, geometry_.ChartLeft + 3, LastY[std::size_t(p)], v);
    }
    LastX = geometry_.ChartLeft;
}

void TrendChart::DrawGrid() {
    Session session(*this);
    painter_.setFont(ChartFont(LabelFontPixels));
    for (const GridLine& line : GridLines(geometry_, Scale)) {
        painter_.setPen(QPen(Grid, 1, Qt::DotLine));
        painter_.drawLine(geometry_.ChartLeft, line.y, geometry_.ChartRight, line.y);
        painter_.setPen(Grid);
        TextAt(painter_, GridLabelX, line.y - 4, TenthsText(line.value));
    }
}

void TrendChart::ClearTimeLabels() {
    painter_.fillRect(QRect(QPoint(geometry_.ChartLeft + 20, geometry_.ChartBottom + 2),
                            QPoint(geometry_.ChartRight, geometry_.ImageHeight)),
                      Paper);
}

void TrendChart::StartRecordWindow(const SampleStore& samples, const UsedPositions& used) {
    FindWindowRange(samples, used, 0, 1);
    ScaleAndGrid(samples, used, 0);
}

void TrendChart::Segment(int position, int y) {
    const auto p = std::size_t(position);
    NewY[p] = y;
    if (y != NoPoint && LastY[p] != NoPoint) {
        painter_.setPen(QPen(DeviceColors()[p], 1));
        painter_.drawLine(LastX, LastY[p], NewX, y);
    }
    LastY[p] = y;
}

void TrendChart::TimeTick(int x) {
    painter_.setPen(QPen(Grid, 1, Qt::DotLine));
    painter_.drawLine(x, geometry_.ChartTop, x, geometry_.ChartBottom);
}

void TrendChart::TimeLabel(int x, const QString& text) {
    const int dy = geometry_.Scaled(TimeLabelUpper ? 15 : 35);
    TimeLabelUpper = !TimeLabelUpper;
    painter_.setPen(Ink);
    painter_.setFont(ChartFont(LabelFontPixels));
    TextAt(painter_, x - 20, geometry_.ChartBottom + dy, text);
}

void TrendChart::ValueLabel(int position, int x, int y, qint32 value) {
    if (y == NoPoint) return;
    painter_.setPen(DeviceColors()[std::size_t(position)]);
    painter_.setFont(ChartFont(LabelFontPixels));
    TextAt(painter_, x, y, TenthsText(value));
}

void TrendChart::PlotNewSample(const SampleStore& samples, const UsedPositions& used, int n,
                               const QString& timeText) {
    Session session(*this);
    NewX = geometry_.ColumnX(n);
    const int x = NewX;
    for (int p = 0; p < DevicePositions; ++p) {
        if (!used[std::size_t(p)]) continue;
        const qint32 v = samples.At(p, n - 1);
        if (v == MissingSample) {
            LastY[std::size_t(p)] = NoPoint;
            continue;
        }
        WindowMax = qMax(WindowMax, v);
        WindowMin = qMin(WindowMin, v);
        if (LeavesBand(DesignHeight(v, Scale))) {
            // Rescaled from the range so far and drawn whole, this point included.
            RedrawChart(samples, used, 0, n);
            NewX = x;
            continue;
        }
        Segment(p, PointY(v));
    }
    LastX = NewX;
    if (n % TickColumns != 0) return;
    TimeTick(NewX);
    TimeLabel(NewX, timeText);
    for (int p = 0; p < DevicePositions; ++p) {
        if (used[std::size_t(p)]) ValueLabel(p, NewX, NewY[std::size_t(p)], samples.At(p, n - 1));
    }
}

void TrendChart::RedrawChart(const SampleStore& samples, const UsedPositions& used, int start,
                             int count, const TimeOf& timeOf) {
    Session session(*this);
    FullRedraw = true;
    ClearChart();
    ScaleAndGrid(samples, used, start);
    FullRedraw = false;
    // The labels of the window shown before would otherwise stay under this one.
    if (timeOf) ClearTimeLabels();
    for (int j = 1; j < count && start + j < StoreColumns; ++j) {
        NewX = geometry_.ColumnX(j);
        for (int p = 0; p < DevicePositions; ++p) {
            if (used[std::size_t(p)]) Segment(p, PointY(samples.At(p, start + j)));
        }
        LastX = NewX;
        if (j % TickColumns != 0) continue;
        TimeTick(NewX);
        for (int p = 0; p < DevicePositions; ++p) {
            if (used[std::size_t(p)])
                ValueLabel(p, NewX, NewY[std::size_t(p)], samples.At(p, start + j));
        }
        if (!timeOf) continue;
        const QString text = timeOf(start + j);
        if (text.isEmpty()) continue;
        if (j == TickColumns) TimeLabelUpper = true;
        TimeLabel(NewX, text);
    }
}

void TrendChart::DrawSpan(const SpanPicture& picture, const UsedPositions& used) {
    Session session(*this);
    FullRedraw = true;
    ClearChart();
    FullRedraw = false;
    ClearTimeLabels();
    WindowMax = picture.range.max;
    WindowMin = picture.range.min;
    Scale = ChooseScale(picture.range);
    DrawGrid();
    TimeLabelUpper = true;
    for (const SpanTick& tick : picture.ticks) {
        TimeTick(tick.x);
        if (tick.line && tick.line->time) TimeLabel(tick.x, LongTimeText(*tick.line->time));
    }
    const ChartGeometry& g = geometry_;
    painter_.save();
    painter_.setClipRect(QRect(QPoint(g.ChartLeft + 1, g.ChartTop),
                               QPoint(g.ChartLeft + PlotWidth(), g.ChartBottom - 2)));
    for (int p = 0; p < DevicePositions; ++p) {
        if (!used[std::size_t(p)]) continue;
        painter_.setPen(QPen(DeviceColors()[std::size_t(p)], 1));
        // Each column runs from its lowest to its highest value; the trace joins the middles.
        QPoint last(0, NoPoint);
        for (const SpanColumn& column : picture.columns) {
            const TraceRange& r = column.ranges[std::size_t(p)];
            if (r.Empty()) {
                last.setY(NoPoint);
                continue;
            }
            const int high = PointY(r.max);
            const int low = PointY(r.min);
            if (high != low) painter_.drawLine(column.x, high, column.x, low);
            const QPoint middle(column.x, (high + low) / 2);
            if (last.y() != NoPoint) painter_.drawLine(last, middle);
            last = middle;
        }
    }
    painter_.restore();
    for (int p = 0; p < DevicePositions; ++p) {
        if (!used[std::size_t(p)]) continue;
        for (const SpanTick& tick : picture.ticks) {
            if (!tick.line) continue;
            const qint32 v = tick.line->pv[std::size_t(p)];
            if (v != MissingSample) ValueLabel(p, tick.x, PointY(v), v);
        }
    }
}

ChartView::ChartView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!image_) {
        painter.fillRect(rect(), Paper);
        return;
    }
    painter.drawImage(rect(), *image_);
    painter.setFont(font());
    PaintReadout(painter, rect(), readout_, Ink, Paper, Ink);
}

int ChartView::ImageX(int x) const {
    return image_ && width() > 0 ? x * image_->width() / width() : x;
}

int ChartView::WidgetX(int imageX) const {
    return image_ && image_->width() > 0 ? imageX * width() / image_->width() : imageX;
}

} // namespace vrx
