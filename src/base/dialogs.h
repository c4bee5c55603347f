// The one door through which the program shows message boxes, confirmations and file dialogs.
#pragma once

#include <QString>

#include <memory>

class QDialog;
class QMessageBox;
class QWidget;

namespace vrx {

// The real implementation uses QMessageBox and QFileDialog; tests install one that records what
// was shown and answers from a script, so that no test waits on a modal window.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // An information box with one OK button.
    virtual void Message(QWidget* parent, const QString& caption, const QString& text) = 0;
    // OK / Cancel; true for OK.
    virtual bool Confirm(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Empty when the user cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& caption,
                                 const QString& filter) = 0;
    // Runs one of our own modal forms and returns its QDialog result code.
    virtual int Exec(QDialog& dialog) = 0;

    // The implementation in force: the real one unless a test installed another.
    static Dialogs& Current();
    // Installs an implementation (not owned); nullptr goes back to the real one.
    static void Install(Dialogs* dialogs);
};

// The interactive implementation.
class WidgetDialogs final : public Dialogs {
public:
    void Message(QWidget* parent, const QString& caption, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& caption, const QString& text) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter) override;
    int Exec(QDialog& dialog) override;

    // The information box Message shows.
    static std::unique_ptr<QMessageBox> MessageBox(QWidget* parent, const QString& caption,
                                                   const QString& text);
};

} // namespace vrx
