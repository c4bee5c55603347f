// The Ramp/soak editor window.
#include "vrxprog.h"

#include "scaling.h"

namespace vrx {

TVRX5::TVRX5(TVRW2& monitor, QWidget* parent) : QWidget(parent, Qt::Window), monitor_(monitor) {
    setObjectName(QStringLiteral("VRX5"));
    setWindowTitle(QStringLiteral("VRX Ramp Soak function Editor"));
    resize(800, 560);
    ScaleForm(this);
}

} // namespace vrx
