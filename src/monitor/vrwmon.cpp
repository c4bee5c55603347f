// The Monitor window: opening its line when shown, closing it when closed.
#include "vrwmon.h"

#include "dialogs.h"
#include "scaling.h"
#include "vrwset.h"

#include <QCloseEvent>

namespace vrx {

TVRW2::TVRW2(TVRW1& protocol, QWidget* parent) : QWidget(parent, Qt::Window), protocol_(protocol) {
    setObjectName(QStringLiteral("VRW2"));
    setWindowTitle(QStringLiteral("VRX MONITOR PROGRAM"));
    resize(800, 560);
    ScaleForm(this);
}

void TVRW2::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TVRW2::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TVRW2::FormShow() {
    const ComSelections settings = protocol_.Selections();
    if (!OpenWithReplyTimer(settings, Port, MonitorReplyTicks(settings), ReplyTimerId))
        Dialogs::Current().Message(this, QStringLiteral("Warning"),
                                   QStringLiteral("Com port not exist"));
}

void TVRW2::FormClose() {
    Port.SetOpen(false);
}

} // namespace vrx
