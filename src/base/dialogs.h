// The one door through which the program shows message boxes, confirmations and file dialogs.
#pragma once

#include <QString>

#include <memory>

class QDialog;
class QFileDialog;
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
    // Empty when the user cancelled. The dialog starts in the folder where the last file of
    // the same filter was taken (remembered in the workspace when it is on).
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& filter);
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& filter);
    // Runs one of our own modal forms and returns its QDialog result code.
    virtual int Exec(QDialog& dialog) = 0;

    // The implementation in force: the real one unless a test installed another.
    static Dialogs& Current();
    // Installs an implementation (not owned); nullptr goes back to the real one.
    static void Install(Dialogs* dialogs);

    // The folder a file dialog of this filter starts in; empty before any was chosen.
    static QString LastFolder(const QString& filter);

protected:
    // The dialogs themselves, started in `folder`.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter) = 0;
    virtual QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QString& filter) = 0;
};

// The interactive implementation.
class WidgetDialogs final : public Dialogs {
public:
    void Message(QWidget* parent, const QString& caption, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& caption, const QString& text) override;
    int Exec(QDialog& dialog) override;

    // The information box Message shows.
    static std::unique_ptr<QMessageBox> MessageBox(QWidget* parent, const QString& caption,
                                                   const QString& text);
    // The open dialog ChooseOpenFile shows, started in `folder`. It takes any name, also that
    // of no file: what the program makes of such a name, it says in its own words.
    static std::unique_ptr<QFileDialog> OpenFileDialog(QWidget* parent, const QString& caption,
                                                       const QString& folder,
                                                       const QString& filter);

protected:
    QString ChooseOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filter) override;
    QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& folder,
                           const QString& filter) override;
};

} // namespace vrx
