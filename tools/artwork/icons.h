// The toolbar icons and the window icon, drawn on a 32-unit grid at any pixel size.
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

namespace artwork {

struct Icon {
    QString name; // file name without extension
    std::function<QImage(int pixels)> render;
};

// Toolbar order: protocol settings, monitor, recorder, command test, exit, about; then the
// window icon "vrx".
std::vector<Icon> Icons();

// The window icon "vrx" at any size; below 32 pixels it is drawn in a compact form that stays
// legible in menus.
QImage ProgramIcon(int pixels);

} // namespace artwork
