// The one ScreenWidth of the program.
#include "screenwidth.h"

#include <algorithm>

namespace vrx {

int ScreenWidth = DesignWidth;

int Scaled(int designLength) {
    return designLength * ScreenWidth / DesignWidth;
}

int FittedScreenWidth(QSize available) {
    // Scaling by the width alone pushed the bottom rows of the tall windows below a wide
    // screen's edge.
    const int byHeight = int(qint64(available.height()) * DesignWidth / DesignScreenHeight);
    return std::max(1, std::min(available.width(), byHeight));
}

} // namespace vrx
