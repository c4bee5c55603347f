// The Monitor's trend chart in pixels: the image DrawIme shows, drawn in full or one sample at a
// time, and the widget that shows it.
#pragma once

#include "charttools.h"
#include "monitortrend.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <optional>

namespace vrx {

class TrendCanvas {
public:
    explicit TrendCanvas(int screenWidth = 800);

    // Lays the chart out for a screen width, on a black image.
    void SetScreenWidth(int screenWidth);
    const TrendGeometry& Geometry() const { return geometry_; }
    const QImage& Image() const { return image_; }

    // The whole chart of the samples on a scale chosen for their range.
    void DrawTrend(const TrendSamples& samples);
    // The newest sample onto the chart drawn last, scrolling it once the history has wrapped.
    // False, with nothing drawn, when the sample leaves the band: the chart wants a full drawing.
    bool AddTrendPoint(const TrendSamples& samples);
    // A span of the samples (oldest first, in samples) across the whole plot, on a scale for the
    // process and set values it shows: the chart once the user zoomed or moved it.
    void DrawSpan(const TrendSamples& samples, const ChartSpan& span);
    // The sample under a pixel x of the chart drawn last; -1 when none is there.
    int SampleAt(const TrendSamples& samples, int x) const;
    // The pixel x of sample k on the chart drawn last.
    int XOf(int k) const;

    // Drawing state under its design names.
    int TrendScale = 10;
    bool ScaleDivides = false;
    int TrendBase = 0;
    int TrendStart = 1;
    QPoint PreviousPoint;
    QPoint PreviousSvPoint;

private:
    TrendScaleChoice Scale() const { return {TrendScale, ScaleDivides, TrendBase}; }
    // Black image, axes, and the grid of a scale, which becomes the one in force.
    void DrawFrame(QPainter& painter, const TrendScaleChoice& scale);
    // Moves the plot `pixels` to the left and restores the strip at its right edge.
    void ScrollPlot(int pixels);
    // The SV line's segment to (x, row of value), kept inside the plot.
    void SvSegment(QPainter& painter, int x, int value, const TrendScaleChoice& scale);

    // The span the chart shows: none for the first view, whose samples sit at their columns.
    std::optional<ChartSpan> span_;
    TrendGeometry geometry_;
    QImage image_;
    QFont font_;
};

// DrawIme: shows the chart's image at its own size.
class TrendImage : public QWidget {
    Q_OBJECT
public:
    explicit TrendImage(QWidget* parent = nullptr);
    TrendCanvas& Canvas() { return canvas_; }
    const TrendCanvas& Canvas() const { return canvas_; }
    // The cursor's readout, drawn over the chart.
    void SetReadout(const ChartReadout& readout) {
        readout_ = readout;
        update();
    }
    const ChartReadout& Readout() const { return readout_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TrendCanvas canvas_;
    ChartReadout readout_;
};

} // namespace vrx
