// The program's message box fits the screen whatever the general error handler is given.
#include "dialogs.h"
#include "errors.h"
#include "testmain.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace vrx;

class TestMessageBox : public QObject {
    Q_OBJECT

private slots:
    void fitsTheScreen_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("4 KB junk line") << QString(4096, u'#');
        QTest::newRow("binary") << QString::fromLatin1(QByteArray(2000, '\x01'));
        QTest::newRow("many lines") << QStringLiteral("0123456789\n").repeated(400);
        QTest::newRow("long sentence") << QStringLiteral("word ").repeated(2000);
    }
    void fitsTheScreen() {
        QFETCH(QString, text);
        const auto box = WidgetDialogs::MessageBox(nullptr, "Warning", FitMessage(text));
        box->show();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(box->width() <= screen.width(), qPrintable(QString::number(box->width())));
        QVERIFY2(box->height() <= screen.height(), qPrintable(QString::number(box->height())));
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        QVERIFY(ok && ok->isVisible());
        QVERIFY(box->rect().contains(QRect(ok->mapTo(box.get(), QPoint()), ok->size())));
    }
};

VRX_TEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
