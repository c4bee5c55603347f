// Catching our own errors at the event loop.
#include "application.h"

#include "dialogs.h"
#include "errors.h"
#include "guard.h"

namespace vrx {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    InstallErrorHandler(&Application::ShowError);
}

Application::~Application() {
    InstallErrorHandler({});
}

bool Application::notify(QObject* receiver, QEvent* event) {
    // The net under event handlers; slots and queued calls catch at their own edge (Guarded).
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        ShowGeneralError(error.text());
    } catch (const std::exception& error) {
        // Not ours, but still better shown than ending the process with the user's work.
        ShowGeneralError(QString::fromLocal8Bit(error.what()));
    }
    return true;
}

void Application::ShowError(const QString& text) {
    Dialogs::Current().Message(nullptr, QApplication::applicationDisplayName(), text);
}

} // namespace vrx
