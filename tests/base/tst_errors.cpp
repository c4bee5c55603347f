// What messages may show of outside text, the general error handler and the slot guard.
#include "errorlog.h"
#include "errors.h"
#include "guard.h"

#include <QTest>

using namespace vrx;

class TestErrors : public QObject {
    Q_OBJECT

private slots:
    void excerpts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("excerpt");
        QTest::newRow("short text as it is") << "12a"
                                             << "12a";
        QTest::newRow("forty characters fit") << QString(40, u'9') << QString(40, u'9');
        QTest::newRow("longer is cut") << QString(41, u'9') << QString(40, u'9') + "...";
        QTest::newRow("control characters") << QString::fromLatin1("a\tb\rc\x01") << "a?b?c?";
        QTest::newRow("letters of any script stay")
            << QString::fromUtf8("溫度 25.0") << QString::fromUtf8("溫度 25.0");
    }
    void excerpts() {
        QFETCH(QString, text);
        QFETCH(QString, excerpt);
        QCOMPARE(Excerpt(text), excerpt);
    }

    void conversionErrorQuotesAnExcerpt() {
        QCOMPARE(ConvertError("oops").text(), "'oops' is not a valid integer value");
        const QString huge(1 << 20, u'x');
        QCOMPARE(ConvertError(huge).text(),
                 "'" + QString(40, u'x') + "...' is not a valid integer value");
    }

    // Whatever reaches the handler: a few lines, none of them too long to wrap.
    void generalHandlerFitsTheMessage() {
        test::ErrorLog log;
        ShowGeneralError(QString(4096, u'x'));
        ShowGeneralError(QStringLiteral("line\n").repeated(100));
        ShowGeneralError(QStringLiteral("Cannot write /home/user/settings: Permission denied"));
        QCOMPARE(log.texts.size(), 3);
        QCOMPARE(log.texts.at(0), QString(60, u'x') + "...");
        QCOMPARE(log.texts.at(1).count(u'\n'), 12);
        QCOMPARE(log.texts.at(2), "Cannot write /home/user/settings: Permission denied");
    }

    // While a message is on screen (its box runs an event loop) the same message again adds no
    // second box on top of it; another message does, and the first may come again once its
    // box is closed.
    void sameMessageIsNotStacked() {
        QStringList shown;
        int depth = 0;
        const ErrorHandler previous = InstallErrorHandler([&](const QString& text) {
            shown << text;
            if (++depth == 1) {
                // What the box's own event loop may deliver meanwhile.
                ShowGeneralError(text);
                ShowGeneralError(QStringLiteral("COM2 was disconnected"));
                ShowGeneralError(text);
            }
            --depth;
        });
        ShowGeneralError(QStringLiteral("COM1 was disconnected"));
        ShowGeneralError(QStringLiteral("COM1 was disconnected"));
        InstallErrorHandler(previous);
        QCOMPARE(shown, (QStringList{"COM1 was disconnected", "COM2 was disconnected",
                                     "COM1 was disconnected", "COM2 was disconnected"}));
    }

    void guardStopsErrorsAtTheSlotEdge() {
        test::ErrorLog log;
        bool after = false;
        Guarded([] { throw PortError("COM1 (/dev/ttyUSB0) was disconnected"); });
        Guarded([] { throw std::runtime_error("not ours"); });
        Guarded([&after] { after = true; });
        QVERIFY(after);
        QCOMPARE(log.texts, (QStringList{"COM1 (/dev/ttyUSB0) was disconnected", "not ours"}));
    }
};

QTEST_GUILESS_MAIN(TestErrors)
#include "tst_errors.moc"
