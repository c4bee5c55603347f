// What the charts share for looking closer, on the widget side: the cursor's readout drawn over
// the chart, and the mouse handling and context menu that zoom and move its span (chartspan.h).
#pragma once

#include "chartspan.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>

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

// Saves a chart's image as PNG under a name the user picks; a failure is said in a message.
void SaveChartImage(QWidget* parent, const QImage& image);

// What a chart does with its mouse; a handler left empty is not called.
struct ChartHandlers {
    std::function<void(QPoint at, double steps)> zoom;
    std::function<void(int dx)> pan;
    std::function<void(QPoint at)> hover;
    std::function<void()> leave;
    std::function<void()> reset;
    // The image "Save image" saves.
    std::function<const QImage&()> image;
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
