// Message boxes and file dialogs on real widgets, and the switch that tests use to replace them.
#include "dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace vrx {

namespace {
Dialogs* installed = nullptr;
} // namespace

Dialogs& Dialogs::Current() {
    static WidgetDialogs real;
    return installed ? *installed : real;
}

void Dialogs::Install(Dialogs* dialogs) {
    installed = dialogs;
}

std::unique_ptr<QMessageBox> WidgetDialogs::MessageBox(QWidget* parent, const QString& caption,
                                                       const QString& text) {
    // Plain text: a message that quotes a file or a device must show it, not interpret it.
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

void WidgetDialogs::Message(QWidget* parent, const QString& caption, const QString& text) {
    MessageBox(parent, caption, text)->exec();
}

bool WidgetDialogs::Confirm(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Ok;
}

QString WidgetDialogs::OpenFileName(QWidget* parent, const QString& caption,
                                    const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString WidgetDialogs::SaveFileName(QWidget* parent, const QString& caption,
                                    const QString& filter) {
    // The program asks "Over write : " itself, in its own words; a second question from the
    // dialog would ask the same thing twice.
    return QFileDialog::getSaveFileName(parent, caption, QString(), filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int WidgetDialogs::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace vrx
