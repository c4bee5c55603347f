// Colour pairs and their contrast.
#include "colours.h"

#include <QAbstractButton>
#include <QLabel>

#include <cmath>

namespace vrx {

namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

QPalette::ColorRole TextRoleOf(QPalette::ColorRole background) {
    switch (background) {
    case QPalette::Base:
        return QPalette::Text;
    case QPalette::Button:
        return QPalette::ButtonText;
    default:
        return QPalette::WindowText;
    }
}

QColor Between(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

} // namespace

double RelativeLuminance(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) +
           0.0722 * Linear(rgb.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor TextColourOn(const QColor& background) {
    const QColor black(palette::Black);
    const QColor white(palette::White);
    return ContrastRatio(black, background) >= ContrastRatio(white, background) ? black : white;
}

void SetColours(QWidget* widget, QPalette::ColorRole background, const QColor& backgroundColour,
                const QColor& text) {
    const QPalette::ColorRole textRole = TextRoleOf(background);
    QPalette palette = widget->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, background, backgroundColour);
        palette.setColor(group, textRole, text);
    }
    const bool button = qobject_cast<QAbstractButton*>(widget) != nullptr;
    palette.setColor(QPalette::Disabled, background, backgroundColour);
    palette.setColor(QPalette::Disabled, textRole, button ? Between(text, backgroundColour) : text);
    widget->setPalette(palette);
    if (qobject_cast<QLabel*>(widget)) widget->setAutoFillBackground(true);
}

} // namespace vrx
