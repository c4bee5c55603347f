// Parameter images the tests of the buffer, its file and its transfers start from.
#pragma once

#include "paramimage.h"

namespace vrx::test {

// Entry n holds n, so a frame's value names the positions it came from; position 12 carries
// the memory's mark in its top bit, as a controller's does.
inline ParamImage Numbered() {
    ParamImage image{};
    for (int n = 0; n < ParamEntries; ++n)
        image[n] = quint8(n);
    image[12] = 0x8C;
    image[ParamEndMarkerEntry] = ParamEndMarker;
    return image;
}

} // namespace vrx::test
