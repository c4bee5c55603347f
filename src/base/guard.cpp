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
    // Errors may carry text from outside (a file's line, a device's reason): whatever it is,
    // the message must stay readable and its box must fit the screen.
    const QString fitted = FitMessage(text);
    if (const ErrorHandler& handler = Installed()) {
        handler(fitted);
    } else {
        qWarning().noquote() << fitted;
    }
}

} // namespace vrx
