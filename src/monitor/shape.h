// Shape: a drawn figure with a pen and a brush colour, for lamps, their bezels and the selection
// ring of the Monitor window.
#pragma once

#include "palette.h"

#include <QColor>
#include <QWidget>

namespace vrx {

class Shape : public QWidget {
    Q_OBJECT
public:
    // A circle takes the largest diameter that fits, centred; the others fill the widget.
    enum class Kind { Circle, RoundSquare, Ellipse };

    Shape(Kind kind, QWidget* parent);

    QColor BrushColor() const { return brush_; }
    void SetBrushColor(const QColor& colour);
    QColor PenColor() const { return pen_; }
    void SetPenColor(const QColor& colour);
    void SetPenWidth(int width);
    // An outline only: nothing is filled.
    void SetHollow(bool hollow);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    QColor brush_ = QColor(palette::White);
    QColor pen_ = QColor(palette::Black);
    int penWidth_ = 1;
    bool hollow_ = false;
};

} // namespace vrx
