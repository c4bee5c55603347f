// The real open dialog behind the dialog seam: it takes the name of a file that does not exist,
// so the program's own message about it can be shown.
#include "dialogs.h"
#include "testmain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vrx;

namespace {

const QString Filter = QStringLiteral("Text files (*.txt *.TXT)");

// Works the modal windows that come up while a file dialog runs, as a user would: the name is
// chosen and Open pressed. A box of the dialog's own is noted and closed, and the dialog then
// cancelled; after the bound everything is cancelled, so the test never waits on a window.
class DialogHand : public QObject {
public:
    explicit DialogHand(QString name) : name_(std::move(name)) {
        timer_.setInterval(20);
        connect(&timer_, &QTimer::timeout, this, &DialogHand::Act);
        timer_.start();
        bound_.start();
    }

    QStringList boxes; // texts of the boxes the dialog raised itself

private:
    void Act() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxes << box->text();
            box->reject();
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) return;
        if (!boxes.isEmpty() || bound_.hasExpired(10000)) {
            dialog->reject();
            return;
        }
        dialog->selectFile(name_);
        // Open pressed: the dialog's own accept, reached through QDialog's public one.
        static_cast<QDialog*>(dialog)->accept();
    }

    QString name_;
    QTimer timer_;
    QElapsedTimer bound_;
};

} // namespace

class TestFileDialog : public QObject {
    Q_OBJECT

private slots:
    // The dialog as the seam builds it: an open dialog in the folder asked for, with the filter,
    // that accepts any name.
    void openDialogAcceptsAnyName() {
        QTemporaryDir dir;
        const auto dialog =
            WidgetDialogs::OpenFileDialog(nullptr, QStringLiteral("Open File"), dir.path(), Filter);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
        // The toolkit's own dialog: a desktop's chooser would refuse the name itself.
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->windowTitle(), "Open File");
        QCOMPARE(QDir(dialog->directory()), QDir(dir.path()));
        QCOMPARE(dialog->nameFilters(), QStringList{Filter});
    }

    // Through the seam, on the real dialog: a name is handed back whether its file exists or
    // not, and the dialog says nothing of its own.
    void chosenNameComesBack_data() {
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing file") << false;
        QTest::newRow("existing file") << true;
    }
    void chosenNameComesBack() {
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("gone.txt"));
        if (exists) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        DialogHand hand(path);
        const QString chosen =
            Dialogs::Current().OpenFileName(nullptr, QStringLiteral("Read File"), Filter);
        QCOMPARE(hand.boxes, QStringList());
        QCOMPARE(chosen, path);
    }
};

VRX_TEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
