// The mouse on a chart, as a user works it: a turn of the wheel and a drag.
#pragma once

#include <QCoreApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace vrx::test {

// A turn of `notches` (positive: away from the user) over x, halfway down the widget.
inline void WheelOver(QWidget* widget, int x, int notches) {
    const QPointF at(x, widget->height() / 2);
    QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, 120 * notches}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &wheel);
}

// The left button pressed at x = from, moved to x = to and let go, at height y.
inline void Drag(QWidget* widget, int from, int to, int y) {
    QTest::mousePress(widget, Qt::LeftButton, {}, {from, y});
    QTest::mouseMove(widget, {to, y});
    QTest::mouseRelease(widget, Qt::LeftButton, {}, {to, y});
}

} // namespace vrx::test
