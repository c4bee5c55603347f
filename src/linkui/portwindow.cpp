// Opening a window's line.
#include "portwindow.h"

#include "dialogs.h"
#include "errors.h"
#include "guard.h"
#include "protocolwindow.h"
#include "statswindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>

namespace vrx {

bool OpenOrWarn(QWidget* parent, const ComSelections& settings, LineOwner& line,
                const QString& tool, const QString& failText) {
    try {
        line.Open(tool, settings.comPort + 1, ToLineSettings(settings, line.Port().Baud()));
        return true;
    } catch (const PortBusyError& busy) {
        // The device exists: "not exist" would send the user looking for the wrong fault.
        Dialogs::Current().Message(parent, QStringLiteral("Warning"), busy.text());
        return false;
    } catch (const Error&) {
        Dialogs::Current().Message(
            parent, QCoreApplication::translate("vrx::PortWindow", "Warning"), failText);
        return false;
    }
}

PortWindow::PortWindow(TVRW1& protocol, LineOwner& line, QString tool, QWidget* parent)
    : QWidget(parent, Qt::Window), protocol_(protocol), line_(line), tool_(std::move(tool)) {}

void PortWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window manager's restore is spontaneous: only the program's show opens the line.
    if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void PortWindow::closeEvent(QCloseEvent* event) {
    Guarded([this] { FormClose(); });
    QWidget::closeEvent(event);
}

bool PortWindow::OpenPort(const QString& failText) {
    return OpenOrWarn(this, Settings(), line_, tool_, failText);
}

void PortWindow::AddToolActions(StatsForm* stats) {
    auto* showStats =
        new QAction(QCoreApplication::translate("vrx::PortWindow", "Statistics..."), this);
    showStats->setObjectName(QStringLiteral("StatsAction"));
    showStats->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(showStats, &QAction::triggered, this, [stats] {
        stats->show();
        stats->raise();
        stats->activateWindow();
    });
    auto* showTraffic =
        new QAction(QCoreApplication::translate("vrx::PortWindow", "Traffic..."), this);
    showTraffic->setObjectName(QStringLiteral("TrafficAction"));
    showTraffic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(showTraffic, &QAction::triggered, this, &PortWindow::trafficWindowRequested);
    addAction(showStats);
    addAction(showTraffic);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

ComSelections PortWindow::Settings() const {
    return protocol_.Selections();
}

} // namespace vrx
