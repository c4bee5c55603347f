// Message boxes and file dialogs on real widgets, and the switch that tests use to replace them.
#include "dialogs.h"

#include "workspace.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vrx {

namespace {

Dialogs* installed = nullptr;

// The workspace key of a filter: its patterns, which stay the same in every language.
QString FolderKey(const QString& filter) {
    const qsizetype open = filter.indexOf(u'(');
    const QString patterns = open < 0 ? filter : filter.mid(open);
    return QStringLiteral("folders/") + QString::fromLatin1(patterns.toUtf8().toHex());
}

void RememberFolder(const QString& filter, const QString& chosen) {
    if (!chosen.isEmpty()) workspace::SetValue(FolderKey(filter), QFileInfo(chosen).absolutePath());
}

} // namespace

QString Dialogs::LastFolder(const QString& filter) {
    return workspace::Value(FolderKey(filter)).toString();
}

QString Dialogs::OpenFileName(QWidget* parent, const QString& caption, const QString& filter) {
    const QString chosen = ChooseOpenFile(parent, caption, LastFolder(filter), filter);
    RememberFolder(filter, chosen);
    return chosen;
}

QString Dialogs::SaveFileName(QWidget* parent, const QString& caption, const QString& filter) {
    const QString chosen = ChooseSaveFile(parent, caption, LastFolder(filter), filter);
    RememberFolder(filter, chosen);
    return chosen;
}

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

std::unique_ptr<QFileDialog> WidgetDialogs::OpenFileDialog(QWidget* parent, const QString& caption,
                                                           const QString& folder,
                                                           const QString& filter) {
    auto dialog = std::make_unique<QFileDialog>(parent, caption, folder, filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // An open dialog that only takes existing files refuses a missing name with a message of
    // its own, and the program's is never seen.
    dialog->setFileMode(QFileDialog::AnyFile);
    // A desktop's own chooser opens only what exists, whatever mode it is asked for.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    return dialog;
}

QString WidgetDialogs::ChooseOpenFile(QWidget* parent, const QString& caption,
                                      const QString& folder, const QString& filter) {
    const auto dialog = OpenFileDialog(parent, caption, folder, filter);
    if (dialog->exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog->selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QString WidgetDialogs::ChooseSaveFile(QWidget* parent, const QString& caption,
                                      const QString& folder, const QString& filter) {
    // The program asks "Over write : " itself, in its own words; a second question from the
    // dialog would ask the same thing twice.
    return QFileDialog::getSaveFileName(parent, caption, folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int WidgetDialogs::Exec(QDialog& dialog) {
    return dialog.exec();
}

} // namespace vrx
