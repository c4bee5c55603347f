// The one ScreenWidth of the program.
#include "screenwidth.h"

namespace vrx {

int ScreenWidth = DesignWidth;

int Scaled(int designLength) {
    return designLength * ScreenWidth / DesignWidth;
}

} // namespace vrx
