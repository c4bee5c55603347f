// Ordering the Tab chain by place.
#include "taborder.h"

#include <QWidget>

#include <algorithm>
#include <vector>

namespace vrx {

namespace {

bool TakesTab(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !w->focusProxy();
}

void Collect(QWidget* container, int tolerance, std::vector<QWidget*>& chain) {
    std::vector<QWidget*> children;
    for (QObject* object : container->children()) {
        auto* w = qobject_cast<QWidget*>(object);
        if (w && !w->isWindow()) children.push_back(w);
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    // Rows: each starts at the highest control not yet placed.
    for (std::size_t start = 0; start < children.size();) {
        std::size_t end = start + 1;
        while (end < children.size() && children[end]->y() - children[start]->y() <= tolerance)
            ++end;
        std::stable_sort(children.begin() + qsizetype(start), children.begin() + qsizetype(end),
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        start = end;
    }
    for (QWidget* w : children) {
        // A control that takes Tab keeps its own parts (a spin box's edit, a list's view).
        if (TakesTab(w)) {
            chain.push_back(w);
        } else {
            Collect(w, tolerance, chain);
        }
    }
}

} // namespace

void OrderTabsByPlace(QWidget* window, int rowTolerance) {
    std::vector<QWidget*> chain;
    Collect(window, rowTolerance, chain);
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

} // namespace vrx
