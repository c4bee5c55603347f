// Tab order by place: a window laid out by coordinates gets the order of its controls as a reader
// meets them, not the order the code happened to create them in.
#pragma once

class QWidget;

namespace vrx {

// Chains the controls that take focus by Tab: each container's controls in rows from the top,
// each row from the left, a container's own controls before the next control after it. Controls
// whose tops are within `rowTolerance` pixels of a row's first stand in that row.
void OrderTabsByPlace(QWidget* window, int rowTolerance = 8);

} // namespace vrx
