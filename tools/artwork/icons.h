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

} // namespace artwork
