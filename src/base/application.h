// The application object: the general error handler sits in its event dispatch.
#pragma once

#include <QApplication>

namespace vrx {

// Errors that no handler caught surface here, are shown in a message box through the dialog
// seam, and the program goes on with the next event.
class Application : public QApplication {
    Q_OBJECT
public:
    // Installs ShowError as the general error handler for as long as the application lives.
    Application(int& argc, char** argv);
    ~Application() override;
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows an error as the general handler does; usable where an error cannot be thrown.
    static void ShowError(const QString& text);
};

} // namespace vrx
