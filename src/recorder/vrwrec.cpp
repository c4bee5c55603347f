// The Recorder window: opening its line when shown, closing it when closed.
#include "vrwrec.h"

#include "scaling.h"

namespace vrx {

TVRW3::TVRW3(TVRW1& protocol, QWidget* parent) : PortWindow(protocol, parent) {
    setObjectName(QStringLiteral("VRW3"));
    setWindowTitle(QStringLiteral("VRX Temperature Recoder Program"));
    // Operations on its closed line open it first, as recording resumes after a view.
    Port.SetOpenOnDemand(true);
    resize(800, 560);
    ScaleForm(this);
}

void TVRW3::FormShow() {
    OpenPort(RecorderReplyTicks(Settings()), QStringLiteral("Comport not exist"));
}

void TVRW3::FormClose() {
    ClosePort();
}

} // namespace vrx
