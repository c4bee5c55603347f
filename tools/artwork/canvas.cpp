// Image and painter set-up shared by the pictures.
#include "canvas.h"

namespace artwork {

QImage NewImage(QSize design, int scale, const QColor& fill, bool transparent) {
    QImage image(design * scale,
                 transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    constexpr int DotsPerMeterAt96Dpi = 3780;
    image.setDotsPerMeterX(DotsPerMeterAt96Dpi);
    image.setDotsPerMeterY(DotsPerMeterAt96Dpi);
    image.fill(transparent ? QColor(Qt::transparent) : fill);
    return image;
}

void BeginDesign(QPainter& painter, QImage& image, int scale) {
    painter.begin(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
}

} // namespace artwork
