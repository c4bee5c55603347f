// The trend chart drawn into the image of ResultT: axes, scale and grid, traces in the device
// colours, time ticks and labels; and the widget that shows the image.
#pragma once

#include "chartgeometry.h"
#include "charttools.h"
#include "recordspans.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <array>
#include <functional>

namespace vrx {

// Pen and text colour of each device position; also the colours of its panel.
const std::array<QColor, DevicePositions>& DeviceColors();

// The drawing operations of the chart over a sample store. Record mode grows the chart one
// point at a time; View mode redraws a window of a block.
class TrendChart {
public:
    explicit TrendChart(int screenWidth);

    const QImage& Image() const { return image_; }
    const ChartGeometry& Geometry() const { return geometry_; }

    // Clears the image (above the time axis only during a full redraw) and draws the axes.
    void ClearChart();
    void DrawAxes();
    // WindowMax and WindowMin over the shown window.
    void FindWindowRange(const SampleStore& samples, const UsedPositions& used, int start,
                         int count);
    // Chooses the scale, draws the grid and labels the first point of every trace.
    void ScaleAndGrid(const SampleStore& samples, const UsedPositions& used, int start);
    // Record mode: a new window from column 0.
    void StartRecordWindow(const SampleStore& samples, const UsedPositions& used);
    // Record mode: the point in column n - 1 of a window now n samples long; a point that
    // leaves the band redraws the window on a new scale. timeText labels every 50th.
    void PlotNewSample(const SampleStore& samples, const UsedPositions& used, int n,
                       const QString& timeText);
    // Redraws `count` columns from `start`. In View mode timeOf(j) gives the label of column
    // start + j (empty: none); in Record mode it is not set and the labels stay.
    using TimeOf = std::function<QString(int column)>;
    void RedrawChart(const SampleStore& samples, const UsedPositions& used, int start, int count,
                     const TimeOf& timeOf = {});

    // View mode, zoomed: a span of the record drawn whole on a scale for its range, each column
    // from the lowest to the highest value of its lines.
    void DrawSpan(const SpanPicture& picture, const UsedPositions& used);
    // Where the plot lies across the image: left edge and width.
    int PlotLeft() const { return geometry_.ChartLeft; }
    int PlotWidth() const { return geometry_.Scaled(WindowColumns); }
    int TickEvery() const { return geometry_.Scaled(TickColumns); }

    // The scale now in force, as PRate shows it.
    QString Rate() const { return RateText(Scale); }

    // Chart state under its design names.
    qint32 WindowMax = 0;
    qint32 WindowMin = 0;
    ChartScale Scale;
    int LastX = 0;
    int NewX = 0;
    std::array<int, DevicePositions> LastY{};
    std::array<int, DevicePositions> NewY{};
    bool FullRedraw = false;
    bool TimeLabelUpper = false;

private:
    // The pixel y of a value, or NoPoint for a gap.
    int PointY(qint32 value) const;
    // The grid lines and their values on the scale in force.
    void DrawGrid();
    // Clears the time labels of the window shown before.
    void ClearTimeLabels();
    void Segment(int position, int y);
    void TimeTick(int x);
    void TimeLabel(int x, const QString& text);
    void ValueLabel(int position, int x, int y, qint32 value);

    class Session;

    ChartGeometry geometry_;
    QImage image_;
    QPainter painter_;
};

// ResultT: shows the chart image over its whole area.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    void SetImage(const QImage* image) {
        image_ = image;
        update();
    }
    // The cursor's readout, drawn over the image in the widget's pixels.
    void SetReadout(const ChartReadout& readout) {
        readout_ = readout;
        update();
    }
    const ChartReadout& Readout() const { return readout_; }
    // The image's x under a widget x, and back.
    int ImageX(int x) const;
    int WidgetX(int imageX) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* image_ = nullptr;
    ChartReadout readout_;
};

} // namespace vrx
