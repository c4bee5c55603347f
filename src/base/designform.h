// Building a window's controls at their design places: each with its given object name, a place
// in design pixels (ScaleForm scales place and font together afterwards) and a font of explicit
// pixel size.
#pragma once

#include <QFont>
#include <QFontDatabase>
#include <QRect>
#include <QString>
#include <QWidget>

namespace vrx {

// A font of an explicit pixel size, so that the window's scaling scales each font once.
inline QFont DesignFont(int pixelSize, bool bold = false, bool fixed = false) {
    QFont font = fixed ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A control named as the window's code, tests and readers know it.
template <typename Widget>
Widget* Make(QWidget* parent, const QString& name, const QRect& place, const QFont& font) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setGeometry(place);
    widget->setFont(font);
    return widget;
}

} // namespace vrx
