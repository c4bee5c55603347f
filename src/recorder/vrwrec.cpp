// The Recorder window: opening its line when shown, closing it when closed.
#include "vrwrec.h"

#include "dialogs.h"
#include "scaling.h"
#include "vrwset.h"

#include <QCloseEvent>

namespace vrx {

TVRW3::TVRW3(TVRW1& protocol, QWidget* parent) : QWidget(parent, Qt::Window), protocol_(protocol) {
    setObjectName(QStringLiteral("VRW3"));
    setWindowTitle(QStringLiteral("VRX Temperature Recoder Program"));
    // Operations on its closed line open it first, as recording resumes after a view.
    Port.SetOpenOnDemand(true);
    resize(800, 560);
    ScaleForm(this);
}

void TVRW3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TVRW3::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TVRW3::FormShow() {
    const ComSelections settings = protocol_.Selections();
    if (!OpenWithReplyTimer(settings, Port, RecorderReplyTicks(settings), ReplyTimerId))
        Dialogs::Current().Message(this, QStringLiteral("Warning"),
                                   QStringLiteral("Comport not exist"));
}

void TVRW3::FormClose() {
    Port.SetOpen(false);
}

} // namespace vrx
