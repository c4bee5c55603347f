// The installed general error handler.
#include "guard.h"

#include <QDebug>
#include <QStringList>

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
        // A message box runs an event loop of its own, where the same error may come again (a
        // line lost once more, the same file refused on the next timer): another box with the
        // same words on top of the open one would say nothing new, and they would stack.
        static QStringList open;
        if (open.contains(fitted)) return;
        open.append(fitted);
        struct Closed {
            const QString& text;
            ~Closed() { open.removeOne(text); }
        } closed{fitted};
        handler(fitted);
    } else {
        qWarning().noquote() << fitted;
    }
}

} // namespace vrx
