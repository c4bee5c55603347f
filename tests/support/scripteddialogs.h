// A dialog seam for tests: records every box shown and answers from a script, never blocking.
#pragma once

#include "dialogs.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

namespace vrx::test {

struct ShownMessage {
    QString caption;
    QString text;
};

class ScriptedDialogs final : public Dialogs {
public:
    ScriptedDialogs() { Dialogs::Install(this); }
    ~ScriptedDialogs() override { Dialogs::Install(nullptr); }

    void Message(QWidget*, const QString& caption, const QString& text) override {
        messages.append({caption, text});
        // A box left open: the script runs while it shows, as the real box's own event loop
        // would (events and timers go on; what waits for the box's caller does not).
        if (whileOpen) whileOpen(messages.last());
    }
    bool Confirm(QWidget*, const QString& caption, const QString& text) override {
        confirmations.append({caption, text});
        return confirmAnswers.isEmpty() ? false : confirmAnswers.takeFirst();
    }
    QString ChooseOpenFile(QWidget*, const QString&, const QString& folder,
                           const QString&) override {
        startFolders << folder;
        return openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
    }
    QString ChooseSaveFile(QWidget*, const QString&, const QString& folder,
                           const QString&) override {
        startFolders << folder;
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    // The script sees the dialog as built, may work its controls, and returns the result code;
    // without a script the dialog is cancelled.
    int Exec(QDialog& dialog) override {
        ++execCount;
        return onExec ? onExec(dialog) : int(QDialog::Rejected);
    }

    QStringList texts() const {
        QStringList all;
        for (const auto& m : messages)
            all << m.text;
        return all;
    }

    QList<ShownMessage> messages;
    QList<ShownMessage> confirmations;
    QList<bool> confirmAnswers;
    QStringList openAnswers;
    QStringList saveAnswers;
    QStringList startFolders; // where each file dialog started
    std::function<int(QDialog&)> onExec;
    std::function<void(const ShownMessage&)> whileOpen;
    int execCount = 0;
};

} // namespace vrx::test
