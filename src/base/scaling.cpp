// Scaling design coordinates to the screen the program runs on.
#include "scaling.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vrx {

namespace {

// The font a widget shows now, at ScreenWidth / 800 of its size.
QFont ScaledFont(const QWidget* widget) {
    QFont font = widget->font();
    if (font.pixelSize() > 0) {
        font.setPixelSize(Scaled(font.pixelSize()));
    } else {
        font.setPointSizeF(font.pointSizeF() * ScreenWidth / DesignWidth);
    }
    return font;
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
            child->setGeometry(Scaled(g.x()), Scaled(g.y()), Scaled(g.width()), Scaled(g.height()));
        }
        ScaleChildren(child);
    }
}

} // namespace

void ScaleForm(QWidget* form) {
    if (ScreenWidth == DesignWidth) return;
    // Every target size is taken before any font changes: a control that set only, say, bold
    // would otherwise inherit the form's new size and then be scaled a second time.
    QList<QPair<QWidget*, QFont>> fonts{{form, ScaledFont(form)}};
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (!child->isWindow() && child->testAttribute(Qt::WA_SetFont))
            fonts.append({child, ScaledFont(child)});
    }
    for (const auto& [widget, font] : fonts)
        widget->setFont(font);
    ScaleChildren(form);
    form->resize(Scaled(form->width()), Scaled(form->height()));
}

void FitOnScreen(QWidget* window, QSize wanted) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    const QRect room = screen->availableGeometry();
    // The title bar and borders take their share of the room too (none before the first show
    // on some platforms: the window is fitted again when it is shown).
    const QSize frame = window->frameGeometry().size() - window->size();
    window->resize(wanted.boundedTo(room.size() - frame).expandedTo(window->minimumSize()));
    const QRect placed = window->frameGeometry();
    const int x = std::clamp(placed.x(), room.left(),
                             std::max(room.left(), room.right() + 1 - placed.width()));
    const int y = std::clamp(placed.y(), room.top(),
                             std::max(room.top(), room.bottom() + 1 - placed.height()));
    if (QPoint(x, y) != placed.topLeft()) window->move(x, y);
}

} // namespace vrx
