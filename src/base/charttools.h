// What the charts share for looking closer, on the widget side: the cursor's readout drawn over
// the chart, and the mouse handling and context menu that zoom and move its span (chartspan.h).
#pragma once

#include "chartspan.h"

#include <QColor>
#include <QDate>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QWidget;

namespace vrx {

// The cursor's readout: a line down the chart at x and a box of texts beside it, each in its
// own colour.
struct ChartReadout {
    int x = -1; // -1: no cursor
    QStringList texts;
    QList<QColor> colours;
    bool Shown() const { return x >= 0 && !texts.isEmpty(); }
};
// Draws the readout inside `area`, the box on the side of the line with more room.
void PaintReadout(QPainter& painter, const QRect& area, const ChartReadout& readout,
                  const QColor& line, const QColor& box, const QColor& frame);

// What a saved chart says of itself, since a picture seen later has no window around it: each
// trace's name in the trace's colour, and the time it spans. Paper and ink are the chart's own,
// so that the traces' colours read as they do on the chart.
struct ChartLegend {
    struct Trace {
        QString name;
        QColor colour;
    };
    QList<Trace> traces;
    QString span; // empty: nothing is shown
    QColor paper = Qt::white;
    QColor ink = Qt::black;
    bool Empty() const { return traces.isEmpty() && span.isEmpty(); }
};

// The time a chart spans, as the legend says it. The dates are given where the chart knows
// them; the end's is said only when it is another day than the start's.
struct ChartTimeSpan {
    std::optional<QDate> fromDate;
    QString from;
    std::optional<QDate> toDate;
    QString to;
    int seconds = 1; // between two samples
};
QString ChartSpanText(const ChartTimeSpan& span);

// The chart's image with its legend in a strip below it, as wide as the chart; the image alone
// when the legend is empty.
QImage ImageWithLegend(const QImage& chart, const ChartLegend& legend);

// Saves a chart's image, with its legend below it, as PNG under a name the user picks; a
// failure is said in a message.
void SaveChartImage(QWidget* parent, const QImage& image, const ChartLegend& legend = {});

// What a chart does with its mouse; a handler left empty is not called.
struct ChartHandlers {
    std::function<void(QPoint at, double steps)> zoom;
    std::function<void(int dx)> pan;
    std::function<void(QPoint at)> hover;
    std::function<void()> leave;
    std::function<void()> reset;
    // The image "Save image" saves, and the legend it puts below it.
    std::function<const QImage&()> image;
    std::function<ChartLegend()> legend;
};

// The mouse on a chart widget: the wheel zooms, dragging pans, moving shows the cursor, and the
// context menu offers "Reset" and "Save image". Positions are given in the widget's pixels. The
// handlers run inside the general error handler; the signals say the same to anyone else.
class ChartMouse : public QObject {
    Q_OBJECT
public:
    // Watches `chart` (not owned); the mouse is tracked on it.
    explicit ChartMouse(QWidget* chart, ChartHandlers handlers = {});

signals:
    void zoomed(QPoint at, double steps);
    // Dragged by dx pixels since the last move (positive: to the right).
    void panned(int dx);
    void hovered(QPoint at);
    void left();
    void resetAsked();
    void saveAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* chart_;
    bool dragging_ = false;
    int dragX_ = 0;
};

} // namespace vrx
