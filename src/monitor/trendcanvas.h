// The Monitor's trend chart in pixels: the image DrawIme shows, drawn in full or one sample at a
// time, and the widget that shows it.
#pragma once

#include "monitortrend.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QWidget>

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

    // Drawing state under its design names.
    int TrendScale = 10;
    bool ScaleDivides = false;
    int TrendBase = 0;
    int TrendStart = 1;
    QPoint PreviousPoint;

private:
    TrendScaleChoice Scale() const { return {TrendScale, ScaleDivides, TrendBase}; }
    // Moves the plot `pixels` to the left and restores the strip at its right edge.
    void ScrollPlot(int pixels);

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TrendCanvas canvas_;
};

} // namespace vrx
