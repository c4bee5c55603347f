// Scaling design coordinates to the screen the program runs on.
#include "scaling.h"

#include <QLayout>
#include <QWidget>

namespace vrx {

int ScreenWidth = DesignWidth;

int Scaled(int designLength) { return designLength * ScreenWidth / DesignWidth; }

namespace {

void ScaleFont(QWidget* widget) {
    QFont font = widget->font();
    if (font.pixelSize() > 0) {
        font.setPixelSize(Scaled(font.pixelSize()));
    } else {
        font.setPointSizeF(font.pointSizeF() * ScreenWidth / DesignWidth);
    }
    widget->setFont(font);
}

bool InLayout(const QWidget* widget) {
    const QWidget* parent = widget->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(widget) >= 0;
}

void ScaleChildren(QWidget* parent) {
    for (QObject* object : parent->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow()) continue;
        if (!InLayout(child)) {
            const QRect g = child->geometry();
            child->setGeometry(Scaled(g.x()), Scaled(g.y()), Scaled(g.width()),
                               Scaled(g.height()));
        }
        ScaleChildren(child);
    }
}

} // namespace

void ScaleForm(QWidget* form) {
    if (ScreenWidth == DesignWidth) return;
    // Fonts cascade from the form to controls that set none of their own.
    ScaleFont(form);
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (child->testAttribute(Qt::WA_SetFont) && !child->isWindow()) ScaleFont(child);
    }
    ScaleChildren(form);
    form->resize(Scaled(form->width()), Scaled(form->height()));
}

} // namespace vrx
