// The JPEG pictures: Main window picture, tester picture, About logo, controller front.
#pragma once

#include <QImage>

namespace artwork {

// Every picture is rendered at twice its design size, so it stays sharp on high-density
// displays and when a window scaled up for a wide screen stretches it.
inline constexpr int PictureScale = 2;

QImage MainPicture();   // 280 x 150 design: a lit controller front and the program's name
QImage TesterPicture(); // 200 x 130 design: a request and its reply crossing a serial line
QImage LogoPicture();   // 90 x 43 design: the VRX mark
QImage FrontPicture();  // 150 x 150 design: the controller front with dark displays

} // namespace artwork
