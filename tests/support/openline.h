// Opening the shared line for a tool in tests that drive an engine without its window.
#pragma once

#include "comsettings.h"
#include "errors.h"
#include "lineowner.h"

namespace vrx::test {

// True when `tool` now holds the open line.
inline bool OpenLine(LineOwner& line, const char* tool, const ComSelections& settings) {
    try {
        line.Open(QString::fromLatin1(tool), settings.comPort + 1,
                  ToLineSettings(settings, line.Port().Baud()));
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace vrx::test
