// Opening a window's line.
#include "portwindow.h"

#include "dialogs.h"
#include "guard.h"
#include "vrwset.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace vrx {

bool OpenOrWarn(QWidget* parent, const ComSelections& settings, SerialPort& port, int ticks,
                quint16& timerId, const QString& failText) {
    if (OpenWithReplyTimer(settings, port, ticks, timerId)) return true;
    Dialogs::Current().Message(parent, QStringLiteral("Warning"), failText);
    return false;
}

PortWindow::PortWindow(TVRW1& protocol, QWidget* parent)
    : QWidget(parent, Qt::Window), protocol_(protocol) {}

void PortWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window manager's restore is spontaneous: only the program's show opens the line.
    if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void PortWindow::closeEvent(QCloseEvent* event) {
    Guarded([this] { FormClose(); });
    QWidget::closeEvent(event);
}

bool PortWindow::OpenPort(int ticks, const QString& failText) {
    return OpenOrWarn(this, Settings(), Port, ticks, ReplyTimerId, failText);
}

ComSelections PortWindow::Settings() const {
    return protocol_.Selections();
}

} // namespace vrx
