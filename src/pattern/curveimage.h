// ProgCurve, the image of the Ramp/soak editor that shows a program's temperature profile.
#pragma once

#include "programcurve.h"

#include <QWidget>

class QPainter;

namespace vrx {

// Paints a ProgramCurve: a white field framed black, the lines over it with a pen of width 2,
// and the axes where the curve has them (in black, the grid faint under the lines). A curve that
// is not drawn leaves the field empty.
class CurveImage : public QWidget {
    Q_OBJECT
public:
    explicit CurveImage(QWidget* parent = nullptr);

    void SetCurve(const ProgramCurve& curve);
    const ProgramCurve& Curve() const { return curve_; }
    // The axes' texts in this image's font.
    AxisText Text(const QString& temperatureUnit) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintAxes(QPainter& painter) const;

    ProgramCurve curve_;
};

} // namespace vrx
