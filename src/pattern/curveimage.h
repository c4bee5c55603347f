// ProgCurve, the image of the Ramp/soak editor that shows a program's temperature profile.
#pragma once

#include "programcurve.h"

#include <QWidget>

namespace vrx {

// Paints a ProgramCurve: a white field framed black, the lines over it with a pen of width 2.
// A curve that is not drawn leaves the field empty.
class CurveImage : public QWidget {
    Q_OBJECT
public:
    explicit CurveImage(QWidget* parent = nullptr);

    void SetCurve(const ProgramCurve& curve);
    const ProgramCurve& Curve() const { return curve_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProgramCurve curve_;
};

} // namespace vrx
