// The whole program built in-process: start-up, the Main window's menu and toolbar, the About
// window, loading the settings, and the rule that hands the line to one tool at a time.
#include "commandtester.h"
#include "fakeline.h"
#include "programwindows.h"
#include "radiogroup.h"
#include "scripteddialogs.h"
#include "testmain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using namespace vrx;

namespace {

const QString Busy = QStringLiteral("COM port in use, Shut down other program first !");

void Trigger(const Forms& forms, const char* item) {
    auto* action = forms.VRW0->findChild<QAction*>(QString::fromLatin1(item));
    QVERIFY2(action, item);
    action->trigger();
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString home_;
    std::unique_ptr<test::ScriptedDialogs> dialogs_;
    std::unique_ptr<test::FakeLineFactory> lines_;
    std::unique_ptr<Forms> forms_;

    void Start() {
        forms_ = CreateForms();
        forms_->VRW0->show();
        QVERIFY(QTest::qWaitForWindowExposed(forms_->VRW0.get()));
    }

private slots:
    void initTestCase() {
        home_ = QDir::currentPath();
        QDir::setCurrent(dir_.path());
    }
    void cleanupTestCase() { QDir::setCurrent(home_); }
    void init() {
        QFile::remove(QStringLiteral("SETVRX.$$$"));
        qputenv("VRX_COM1", "sim");
        dialogs_ = std::make_unique<test::ScriptedDialogs>();
        lines_ = std::make_unique<test::FakeLineFactory>();
    }
    void cleanup() {
        forms_.reset();
        lines_.reset();
        dialogs_.reset();
    }

    void startUp() {
        Start();
        // The program's one version, as CMake has it (1.0.0 reads V1.00).
        QCOMPARE(QCoreApplication::applicationName(),
                 QString::asprintf("VRX Communication Program V%d.%02d", PROJECT_VERSION_MAJOR,
                                   PROJECT_VERSION_MINOR));
        QCOMPARE(forms_->VRW0->windowTitle(), QStringLiteral("VRX COMMUNICATION PROGRAM"));
        QCOMPARE(forms_->VRW1->windowTitle(), QStringLiteral("COMPORT PROTOCOL"));
        QCOMPARE(forms_->VRW2->windowTitle(), QStringLiteral("VRX MONITOR PROGRAM"));
        QCOMPARE(forms_->VRW4->windowTitle(), QStringLiteral("ABOUT"));
        QCOMPARE(forms_->VRW3->windowTitle(), QStringLiteral("VRX Temperature Recoder Program"));
        QCOMPARE(forms_->VRX5->windowTitle(), QStringLiteral("VRX Ramp Soak function Editor"));
        QVERIFY(forms_->VRW0->Image1->isVisible());
        QVERIFY(!forms_->VRW0->Image1->pixmap().isNull());
        QVERIFY(!forms_->VRW0->TESTPL->isVisible());
        QVERIFY(forms_->VRW0->ToolBar1->isEnabled());
        for (QWidget* other :
             {static_cast<QWidget*>(forms_->VRW1.get()), static_cast<QWidget*>(forms_->VRW2.get()),
              static_cast<QWidget*>(forms_->VRW3.get()), static_cast<QWidget*>(forms_->VRW4.get()),
              static_cast<QWidget*>(forms_->VRX5.get())})
            QVERIFY(!other->isVisible());
        QVERIFY(dialogs_->messages.isEmpty());
    }

    // As the program starts: the Main window is shown before the others are made, and they
    // follow on their own once it has been painted, hidden.
    void programStartShowsTheMainWindowFirst() {
        forms_ = StartForms();
        QVERIFY(forms_->VRW0->isVisible());
        QVERIFY(forms_->VRW1);
        QVERIFY(!forms_->VRW2 && !forms_->VRW3 && !forms_->VRW4 && !forms_->VRX5);
        QVERIFY(!forms_->Traffic);
        QTRY_VERIFY(forms_->Traffic);
        QVERIFY(forms_->VRW2 && forms_->VRW3 && forms_->VRW4 && forms_->VRX5);
        QCOMPARE(forms_->VRW2->windowTitle(), QStringLiteral("VRX MONITOR PROGRAM"));
        QCOMPARE(forms_->VRX5->windowTitle(), QStringLiteral("VRX Ramp Soak function Editor"));
        for (const QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(window == forms_->VRW0.get() || !window->isVisible(),
                     qPrintable(window->windowTitle()));
    }

    // A window asked for before the Main window has been painted is made and shown at once.
    void requestsBeforeTheOtherWindowsAreMade_data() {
        QTest::addColumn<QByteArray>("item");
        QTest::newRow("Monitor") << QByteArray("MONITOR1");
        QTest::newRow("Recorder") << QByteArray("RECODER1");
        QTest::newRow("About") << QByteArray("ABOUT1");
        QTest::newRow("Traffic") << QByteArray("TrafficButton");
    }
    void requestsBeforeTheOtherWindowsAreMade() {
        QFETCH(QByteArray, item);
        forms_ = StartForms();
        QVERIFY(!forms_->VRW2);
        if (auto* button = forms_->VRW0->findChild<QToolButton*>(QString::fromLatin1(item)))
            button->click();
        else
            Trigger(*forms_, item.constData());
        QWidget* const shown = item == "MONITOR1"   ? forms_->VRW2.get()
                               : item == "RECODER1" ? forms_->VRW3.get()
                               : item == "ABOUT1"   ? static_cast<QWidget*>(forms_->VRW4.get())
                                                    : forms_->Traffic.get();
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        // Made once: what follows the Main window's painting leaves the shown window alone.
        const QPointer<QWidget> kept(shown);
        QTRY_VERIFY(!forms_->VRW0->findChild<QObject*>(QStringLiteral("AfterFirstPaint")));
        QVERIFY(kept);
        QVERIFY(kept->isVisible());
    }

    void menuAndToolBar() {
        Start();
        // Each with its mnemonic, Alt and the first letter.
        const QStringList captions{"&PROTOCOL", "&CONNECT", "&EXIT", "&ABOUT"};
        QStringList shown;
        for (QAction* action : forms_->VRW0->MainMenu1->actions())
            shown << action->text();
        QCOMPARE(shown, captions);
        const QList<QPair<const char*, const char*>> connectItems{
            {"MONITOR1", "&MONITOR"}, {"RECODER1", "&RECORDER"}, {"ESTER1", "&TESTER"}};
        for (const auto& [name, caption] : connectItems)
            QCOMPARE(forms_->VRW0->findChild<QAction*>(name)->text(), QString::fromLatin1(caption));

        const QList<QPair<const char*, const char*>> buttons{
            {"ToolButton2", "Communication Protocol Setting"},
            {"ToolButton3", "Execute VRX Monitor Program"},
            {"ToolButton4", "Execute VRX Recoder Program"},
            {"ToolButton5", "Command Test Program"},
            {"ToolButton6", "Close this Program"},
            {"ToolButton7", "About this Program"}};
        for (const auto& [name, hint] : buttons) {
            auto* button = forms_->VRW0->findChild<QToolButton*>(name);
            QVERIFY2(button, name);
            QCOMPARE(button->toolTip(), QString::fromLatin1(hint));
            QVERIFY2(!button->icon().isNull(), name);
            QCOMPARE(button->size(), QSize(39, 38));
        }
        for (const char* divider : {"ToolButton1", "ToolButton9", "ToolButton10", "ToolButton11"})
            QCOMPARE(forms_->VRW0->findChild<QWidget*>(divider)->width(), 10);
        QCOMPARE(forms_->VRW0->findChild<QToolButton*>("ToolButton2")->text(),
                 QStringLiteral("VRW PROTOCOL"));
        QCOMPARE(forms_->VRW0->TESTPL->CmdItemHeight(), 15);
    }

    void toolBarButtonsOpenTheirWindows() {
        Start();
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ToolButton7"), Qt::LeftButton);
        QVERIFY(forms_->VRW4->isVisible());
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ToolButton2"), Qt::LeftButton);
        QVERIFY(forms_->VRW1->isVisible());
        forms_->VRW1->close();
        QTest::mouseClick(forms_->VRW0->findChild<QToolButton*>("ToolButton5"), Qt::LeftButton);
        QVERIFY(forms_->VRW0->TESTPL->isVisible());
        QVERIFY(!forms_->VRW0->Image1->isVisible());
        QVERIFY(!forms_->VRW0->ToolBar1->isEnabled());
        QVERIFY(forms_->VRW0->TESTPL->HoldsLine());
    }

    void aboutWindow() {
        Start();
        Trigger(*forms_, "ABOUT1");
        TVRW4& about = *forms_->VRW4;
        QVERIFY(about.isVisible());
        QStringList texts;
        for (QLabel* label : about.AboutPl->findChildren<QLabel*>())
            if (!label->text().isEmpty()) texts << label->text();
        // The version line names the project's version (1.0.0 reads "Version 1.00.00").
        const QString version = QString::asprintf("Version %d.%02d.%02d", PROJECT_VERSION_MAJOR,
                                                  PROJECT_VERSION_MINOR, PROJECT_VERSION_PATCH);
        for (const QString& line :
             {QStringLiteral("VRX Digital Controller"), QStringLiteral("Communication Program"),
              version, QStringLiteral("Recommanded Display Resolution 800 x 600")})
            QVERIFY2(texts.contains(line), qPrintable(line));
        QVERIFY(!about.Image2->pixmap().isNull());
        QCOMPARE(about.Image2->size(), QSize(90, 43));
        QVERIFY(about.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(about.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(about.windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void lineOwnership_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("request");
        QTest::addColumn<bool>("refused");
        const QStringList requests{"PROTOCOL1", "MONITOR1", "RECODER1", "ESTER1", "ABOUT1"};
        // Which requests each holder of the line refuses.
        const QList<QPair<QString, QStringList>> states{
            {"idle", {}},
            {"tester", {"PROTOCOL1", "MONITOR1", "RECODER1"}},
            {"monitor", {"PROTOCOL1", "RECODER1", "ESTER1"}},
            {"recorder", {"PROTOCOL1", "MONITOR1", "ESTER1"}},
            {"monitor without line", {}},
        };
        for (const auto& [state, refusedBy] : states)
            for (const QString& request : requests)
                QTest::newRow(qPrintable(state + " / " + request))
                    << state << request << refusedBy.contains(request);
    }
    void lineOwnership() {
        QFETCH(QString, state);
        QFETCH(QString, request);
        QFETCH(bool, refused);
        Start();
        if (state == u"tester") Trigger(*forms_, "ESTER1");
        if (state == u"monitor") Trigger(*forms_, "MONITOR1");
        if (state == u"recorder") Trigger(*forms_, "RECODER1");
        if (state == u"monitor without line") {
            lines_->refuseOpen = true;
            Trigger(*forms_, "MONITOR1");
            QCOMPARE(dialogs_->texts(), QStringList{"Com port not exist"});
            QCOMPARE(dialogs_->messages.at(0).caption, QStringLiteral("Warning"));
            QVERIFY(!forms_->VRW2->HoldsLine());
            lines_->refuseOpen = false;
            dialogs_->messages.clear();
        }
        const auto visible = [this] {
            return QList<bool>{forms_->VRW1->isVisible(), forms_->VRW2->isVisible(),
                               forms_->VRW3->isVisible(), forms_->VRW4->isVisible(),
                               forms_->VRW0->TESTPL->isVisible()};
        };
        const auto open = [this] {
            return QList<bool>{forms_->VRW0->TESTPL->HoldsLine(), forms_->VRW2->HoldsLine(),
                               forms_->VRW3->HoldsLine()};
        };
        const auto visibleBefore = visible();
        const auto openBefore = open();

        Trigger(*forms_, request.toLatin1().constData());

        if (refused) {
            QCOMPARE(dialogs_->messages.size(), 1);
            QCOMPARE(dialogs_->messages.at(0).caption, QStringLiteral("Message"));
            QCOMPARE(dialogs_->messages.at(0).text, Busy);
            QCOMPARE(visible(), visibleBefore);
            QCOMPARE(open(), openBefore);
            return;
        }
        QVERIFY(!dialogs_->texts().contains(Busy));
        QWidget* expected = request == u"PROTOCOL1"  ? forms_->VRW1.get()
                            : request == u"MONITOR1" ? forms_->VRW2.get()
                            : request == u"RECODER1" ? forms_->VRW3.get()
                            : request == u"ABOUT1"   ? static_cast<QWidget*>(forms_->VRW4.get())
                                                     : forms_->VRW0->TESTPL;
        QVERIFY(expected->isVisible());
        // At most one window holds the line.
        QVERIFY(open().count(true) <= 1);
    }

    void monitorRetriesItsLineOnlyWhenShownAgain() {
        Start();
        lines_->refuseOpen = true;
        Trigger(*forms_, "MONITOR1");
        lines_->refuseOpen = false;
        Trigger(*forms_, "MONITOR1");
        QVERIFY(!forms_->VRW2->HoldsLine());
        forms_->VRW2->close();
        Trigger(*forms_, "MONITOR1");
        QVERIFY(forms_->VRW2->HoldsLine());
    }

    void closingToolsReleasesTheLine() {
        Start();
        Trigger(*forms_, "RECODER1");
        QVERIFY(forms_->VRW3->HoldsLine());
        forms_->VRW3->close();
        QVERIFY(!forms_->VRW3->HoldsLine());
        Trigger(*forms_, "ESTER1");
        QVERIFY(forms_->VRW0->TESTPL->HoldsLine());
        forms_->VRW0->TESTPL->SExitBtClick();
        QVERIFY(!forms_->VRW0->TESTPL->HoldsLine());
        QVERIFY(forms_->VRW0->Image1->isVisible());
        QVERIFY(forms_->VRW0->ToolBar1->isEnabled());
        Trigger(*forms_, "PROTOCOL1");
        QVERIFY(forms_->VRW1->isVisible());
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void settingsLoadedWhenFirstShown_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("modBus");
        QTest::addColumn<int>("comPort");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("none") << QByteArray() << 0 << 0 << QStringList{};
        QTest::newRow("RTU on COM2") << QByteArray("51031\r\n") << 1 << 1 << QStringList{};
        QTest::newRow("malformed") << QByteArray("oops\r\n") << 0 << 0
                                   << QStringList{"'oops' is not a valid integer value\nin the "
                                                  "settings file SETVRX.$$$"};
        QTest::newRow("empty") << QByteArray("\r\n") << 0 << 0
                               << QStringList{"'' is not a valid integer value\nin the settings "
                                              "file SETVRX.$$$"};
        // A huge first line: one short message at once, then the defaults.
        QTest::newRow("10 MB of digits")
            << QByteArray(10 << 20, '7') << 0 << 0
            << QStringList{"'" + QString(40, u'7') +
                           "...' is not a valid integer value\nin the settings file SETVRX.$$$"};
        QTest::newRow("out of range")
            << QByteArray("-120\r\n") << 0 << 0
            << QStringList{"'-120' in SETVRX.$$$ is not a communication setting"};
    }
    void settingsLoadedWhenFirstShown() {
        QFETCH(QByteArray, file);
        QFETCH(int, modBus);
        QFETCH(int, comPort);
        QFETCH(QStringList, messages);
        if (!file.isEmpty()) {
            QFile settings(QStringLiteral("SETVRX.$$$"));
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write(file);
        }
        Start();
        QCOMPARE(forms_->VRW1->ModBus->ItemIndex(), modBus);
        QCOMPARE(forms_->VRW1->ComPort->ItemIndex(), comPort);
        QCOMPARE(dialogs_->texts(), messages);
        // Shown again: not loaded again, so no second message.
        forms_->VRW0->hide();
        forms_->VRW0->show();
        QCOMPARE(dialogs_->texts(), messages);
    }

    void exitEndsTheProgramAndClosesEveryPort_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("EXIT with the recorder open") << "exit";
        QTest::newRow("closing the Main window with the recorder open") << "close";
    }
    void exitEndsTheProgramAndClosesEveryPort() {
        QFETCH(QString, how);
        Start();
        Trigger(*forms_, "RECODER1");
        QPointer<test::FakeLine> line = lines_->last;
        QVERIFY(line && line->IsOpen());
        QTimer::singleShot(0, this, [&] {
            if (how == u"exit")
                Trigger(*forms_, "EXIT1");
            else
                forms_->VRW0->close();
        });
        // Returns only when the program's event loop is told to end.
        QCOMPARE(QCoreApplication::exec(), 0);
        forms_.reset();
        QVERIFY(!line || !line->IsOpen());
    }
};

VRX_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
