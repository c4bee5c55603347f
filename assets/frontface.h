// Where the parts of the controller front picture (front.jpg) lie, in its design units.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>

// The picture is drawn from these numbers by the artwork tool and shown stretched by the
// Monitor window, so a window that lays edits or lamps over it scales them by
// shown size / DesignSize and they land on the printed windows and lamp sockets.
namespace vrx::frontface {

inline constexpr QSizeF DesignSize{150, 150};

// The black display windows: the process value above, the set value below.
inline constexpr QRectF PvWindow{28, 12, 112, 42};
inline constexpr QRectF SvWindow{28, 60, 112, 30};

// One row of eight lamp sockets, in the order of the Monitor window's lamp names:
// AT, OUT1, OUT2, ALM1, ALM2, ALM3, degrees F, degrees C.
inline constexpr qreal LampRadius = 3.5;
inline constexpr qreal LampPitch = 16.6;
inline constexpr std::array<QPointF, 8> Lamps{{
    {17.0 + 0 * LampPitch, 100},
    {17.0 + 1 * LampPitch, 100},
    {17.0 + 2 * LampPitch, 100},
    {17.0 + 3 * LampPitch, 100},
    {17.0 + 4 * LampPitch, 100},
    {17.0 + 5 * LampPitch, 100},
    {17.0 + 6 * LampPitch, 100},
    {17.0 + 7 * LampPitch, 100},
}};

// The row of keys along the bottom edge (printed only; the picture is not a control).
inline constexpr QRectF KeyRow{8, 122, 134, 18};

} // namespace vrx::frontface
