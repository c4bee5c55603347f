// The Monitor window: opening its line when shown, closing it when closed.
#include "vrwmon.h"

#include "scaling.h"

namespace vrx {

TVRW2::TVRW2(TVRW1& protocol, QWidget* parent) : PortWindow(protocol, parent) {
    setObjectName(QStringLiteral("VRW2"));
    setWindowTitle(QStringLiteral("VRX MONITOR PROGRAM"));
    resize(800, 560);
    ScaleForm(this);
}

void TVRW2::FormShow() {
    OpenPort(MonitorReplyTicks(Settings()), QStringLiteral("Com port not exist"));
}

void TVRW2::FormClose() {
    ClosePort();
}

} // namespace vrx
