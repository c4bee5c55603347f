// The real open dialog behind the dialog seam: it takes the name of a file that does not exist,
// so the program's own message about it can be shown.
#include "dialogs.h"
#include "testmain.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

using namespace vrx;

namespace {

const QString Filter = QStringLiteral("Text files (*.txt *.TXT)");

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
};

VRX_TEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
