// The installed general error handler.
#include "guard.h"

#include <QDebug>

#include <utility>

namespace vrx {

namespace {
ErrorHandler& Installed() {
    static ErrorHandler handler;
    return handler;
}
} // namespace

ErrorHandler InstallErrorHandler(ErrorHandler handler) {
    return std::exchange(Installed(), std::move(handler));
}

void ShowGeneralError(const QString& text) {
    if (const ErrorHandler& handler = Installed()) {
        handler(text);
    } else {
        qWarning().noquote() << text;
    }
}

} // namespace vrx
