// The general error handler, and the guard that brings errors to it from the edge of a slot.
#pragma once

#include "errors.h"

#include <QString>

#include <exception>
#include <functional>
#include <utility>

namespace vrx {

// Where errors that no handler caught are shown. The program installs its message box; a test
// installs a recorder. Without one the text goes to the log. A text that is being shown (its
// box still open) is not shown again on top of itself.
using ErrorHandler = std::function<void(const QString& text)>;
// Returns the handler it replaces.
ErrorHandler InstallErrorHandler(ErrorHandler handler);
void ShowGeneralError(const QString& text);

// Runs the body of a slot or a queued call. Qt leaves an exception that unwinds through its
// signal machinery undefined, so whatever the body throws stops here and goes to the general
// error handler: the user sees the same message, and the signal's emitter carries on.
template <typename Body> void Guarded(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (const Error& error) {
        ShowGeneralError(error.text());
    } catch (const std::exception& error) {
        ShowGeneralError(QString::fromLocal8Bit(error.what()));
    }
}

// A slot for connect(): calls receiver->handler(args...) inside Guarded.
template <typename Object, typename... Args>
auto GuardedSlot(Object* receiver, void (Object::*handler)(Args...)) {
    return [receiver, handler](Args... args) { Guarded([&] { (receiver->*handler)(args...); }); };
}

} // namespace vrx
