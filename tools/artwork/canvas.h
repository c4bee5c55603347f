// A blank image and a painter set up the same way for every picture.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QSize>

namespace artwork {

// An image of `design` size times `scale`, filled with `fill`, at 96 dots per inch so that
// font sizes mean the same on every machine.
QImage NewImage(QSize design, int scale, const QColor& fill, bool transparent = false);

// Antialiased painting in design units (the painter is scaled by `scale`).
void BeginDesign(QPainter& painter, QImage& image, int scale);

} // namespace artwork
