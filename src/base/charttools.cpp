// The cursor's readout and the chart's mouse.
#include "charttools.h"

#include "dialogs.h"
#include "guard.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImageWriter>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>

namespace vrx {

void PaintReadout(QPainter& painter, const QRect& area, const ChartReadout& readout,
                  const QColor& line, const QColor& box, const QColor& frame) {
    if (!readout.Shown()) return;
    painter.save();
    painter.setPen(QPen(line, 1, Qt::DashLine));
    painter.drawLine(readout.x, area.top(), readout.x, area.bottom());
    const QFontMetrics metrics = painter.fontMetrics();
    int width = 0;
    for (const QString& text : readout.texts)
        width = std::max(width, metrics.horizontalAdvance(text));
    constexpr int Pad = 4;
    const QSize size(width + 2 * Pad, int(readout.texts.size()) * metrics.height() + 2 * Pad);
    const bool right = area.right() - readout.x >= readout.x - area.left();
    const int left = right ? readout.x + 6 : readout.x - 6 - size.width();
    const QRect boxRect(QPoint(std::max(area.left(), left), area.top() + 4), size);
    painter.setPen(frame);
    painter.setBrush(box);
    painter.drawRect(boxRect);
    for (qsizetype i = 0; i < readout.texts.size(); ++i) {
        painter.setPen(i < readout.colours.size() ? readout.colours[i] : frame);
        painter.drawText(boxRect.left() + Pad,
                         boxRect.top() + Pad + int(i) * metrics.height() + metrics.ascent(),
                         readout.texts[i]);
    }
    painter.restore();
}

void SaveChartImage(QWidget* parent, const QImage& image) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("vrx::ChartMouse", text);
    };
    QString path =
        Dialogs::Current().SaveFileName(parent, tr("Save image"), tr("PNG images (*.png *.PNG)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".png");
    QImageWriter writer(path, "png");
    if (!writer.write(image)) {
        Dialogs::Current().Message(parent, tr("Save image"),
                                   tr("The image could not be saved as %1: %2")
                                       .arg(QDir::toNativeSeparators(path), writer.errorString()));
    }
}

ChartMouse::ChartMouse(QWidget* chart, ChartHandlers handlers) : QObject(chart), chart_(chart) {
    chart->setMouseTracking(true);
    chart->installEventFilter(this);
    chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* reset = new QAction(tr("Reset"), chart);
    reset->setObjectName(QStringLiteral("ResetViewAction"));
    connect(reset, &QAction::triggered, this, &ChartMouse::resetAsked);
    auto* save = new QAction(tr("Save image"), chart);
    save->setObjectName(QStringLiteral("SaveImageAction"));
    connect(save, &QAction::triggered, this, &ChartMouse::saveAsked);
    chart->addAction(reset);
    chart->addAction(save);

    // Each handler on its own signal, guarded; an empty one is left unconnected.
    const auto on = [this](auto signal, const auto& handler) {
        if (handler)
            connect(this, signal, this,
                    [handler](auto... args) { Guarded([&] { handler(args...); }); });
    };
    on(&ChartMouse::zoomed, handlers.zoom);
    on(&ChartMouse::panned, handlers.pan);
    on(&ChartMouse::hovered, handlers.hover);
    on(&ChartMouse::left, handlers.leave);
    on(&ChartMouse::resetAsked, handlers.reset);
    if (handlers.image) {
        on(&ChartMouse::saveAsked, std::function<void()>([chart, image = handlers.image] {
            SaveChartImage(chart, image());
        }));
    }
}

bool ChartMouse::eventFilter(QObject* watched, QEvent* event) {
    if (watched != chart_) return false;
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        // 120 eighths of a degree are one notch; a touchpad gives less at a time.
        const double steps = wheel->angleDelta().y() / 120.0;
        if (steps != 0) emit zoomed(wheel->position().toPoint(), steps);
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        dragging_ = true;
        dragX_ = mouse->position().toPoint().x();
        chart_->setCursor(Qt::ClosedHandCursor);
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = mouse->position().toPoint();
        if (dragging_ && at.x() != dragX_) {
            emit panned(at.x() - dragX_);
            dragX_ = at.x();
        }
        emit hovered(at);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
        dragging_ = false;
        chart_->unsetCursor();
        return true;
    case QEvent::Leave:
        dragging_ = false;
        emit left();
        return false;
    default:
        return false;
    }
}

} // namespace vrx
