// The Main window: building it at design size, and handing the one line to one tool at a time.
#include "mainwindow.h"

#include "scanrunner.h"

#include "application.h"
#include "colours.h"
#include "commandtester.h"
#include "dialogs.h"
#include "errors.h"
#include "guard.h"
#include "scaling.h"
#include "taborder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

namespace vrx {

TVRW0::TVRW0(LineOwner& line, QWidget* parent) : QMainWindow(parent), Line(line) {
    FormCreate();
}

TVRW0::~TVRW0() = default;

void TVRW0::FormCreate() {
    setObjectName(QStringLiteral("VRW0"));
    setWindowTitle(tr("VRX COMMUNICATION PROGRAM"));
    setWindowIcon(QIcon(QStringLiteral(":/assets/icons/vrx.png")));
    // The room windows may take: the taskbar's place is not theirs.
    ScreenWidth = FittedScreenWidth(screen()->availableGeometry().size());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setAutoFillBackground(true);
    SetColours(client, QPalette::Window, QColor(palette::ClientPaper), QColor(palette::ClientInk));
    setCentralWidget(client);

    Image1 = new QLabel(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/assets/main.jpg")));
    Image1->setScaledContents(true);
    Image1->setGeometry(260, 160, 280, 150);

    TESTPL = new TesterPanel(Line, client);
    TESTPL->setGeometry(8, 8, 784, 440);
    connect(TESTPL, &TesterPanel::Closed, this, GuardedSlot(this, &TVRW0::CloseTester));
    connect(TESTPL, &TesterPanel::trafficWindowRequested, this,
            GuardedSlot(this, &TVRW0::TrafficButtonClick));

    BuildMenu();
    BuildToolBar();
    ScaleForm(this);
    OrderTabsByPlace(this);
    TESTPL->hide();
    TESTPL->SetCmdItemHeight(ScreenWidth * 15 / 800);
}

namespace {

// A caption with its Alt key: the English caption's first letter. A translation in another
// script keeps that letter after it, "(&P)", as such menus write it, so the keyboard reaches
// the items in every language; one that brings its own '&' is left as it is.
QString WithMnemonic(const char* source, const QString& translated) {
    const QString english = QString::fromLatin1(source);
    if (translated.contains(QLatin1Char('&'))) return translated;
    if (translated.startsWith(english.left(1), Qt::CaseInsensitive))
        return QLatin1Char('&') + translated;
    return QStringLiteral("%1(&%2)").arg(translated, english.left(1).toUpper());
}

} // namespace

void TVRW0::BuildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    const auto item = [this](QWidget* menu, const char* name, const char* caption,
                             void (TVRW0::*handler)()) {
        // Alt and the caption's first letter, as the keyboard's way into each item.
        auto* action = new QAction(WithMnemonic(caption, tr(caption)), menu);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, GuardedSlot(this, handler));
        menu->addAction(action);
        return action;
    };
    item(MainMenu1, "PROTOCOL1", QT_TR_NOOP("PROTOCOL"), &TVRW0::SetCommunication1Click);
    QMenu* connectMenu = MainMenu1->addMenu(WithMnemonic("CONNECT", tr("CONNECT")));
    connectMenu->setObjectName(QStringLiteral("FUNCTION1"));
    connectMenu->menuAction()->setObjectName(QStringLiteral("FUNCTION1Action"));
    item(connectMenu, "MONITOR1", QT_TR_NOOP("MONITOR"), &TVRW0::Monitor1Click);
    item(connectMenu, "RECODER1", QT_TR_NOOP("RECORDER"), &TVRW0::Recorder1Click);
    item(connectMenu, "ESTER1", QT_TR_NOOP("TESTER"), &TVRW0::ToolButton5Click);
    item(MainMenu1, "EXIT1", QT_TR_NOOP("EXIT"), &TVRW0::Exit1Click);
    item(MainMenu1, "ABOUT1", QT_TR_NOOP("ABOUT"), &TVRW0::About1Click);
}

void TVRW0::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(Scaled(32), Scaled(32)));
    ToolBar1->toggleViewAction()->setEnabled(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    const auto divider = [this](const char* name) {
        auto* gap = new QWidget(ToolBar1);
        gap->setObjectName(QString::fromLatin1(name));
        gap->setFixedSize(Scaled(10), Scaled(38));
        ToolBar1->addWidget(gap);
    };
    // ImageList1, in icon order.
    static const char* const icons[] = {"protocol", "monitor", "recorder", "tester",
                                        "exit",     "about",   "traffic",  "scan"};
    const auto button = [this](const char* name, int icon, const char* hint,
                               void (TVRW0::*handler)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(QIcon(QStringLiteral(":/assets/icons/%1.png").arg(icons[icon])));
        b->setIconSize(QSize(Scaled(32), Scaled(32)));
        b->setFixedSize(Scaled(39), Scaled(38));
        b->setToolTip(tr(hint));
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, GuardedSlot(this, handler));
        ToolBar1->addWidget(b);
        return b;
    };
    divider("ToolButton1");
    button("ToolButton2", 0, QT_TR_NOOP("Communication Protocol Setting"),
           &TVRW0::SetCommunication1Click)
        ->setText(tr("VRW PROTOCOL"));
    button("ScanButton", 7, QT_TR_NOOP("Find the controllers on a line"), &TVRW0::ScanButtonClick);
    divider("ToolButton9");
    button("ToolButton3", 1, QT_TR_NOOP("Execute VRX Monitor Program"), &TVRW0::Monitor1Click);
    button("ToolButton4", 2, QT_TR_NOOP("Execute VRX Recoder Program"), &TVRW0::Recorder1Click);
    button("ToolButton5", 3, QT_TR_NOOP("Command Test Program"), &TVRW0::ToolButton5Click);
    button("TrafficButton", 6, QT_TR_NOOP("Traffic of the line"), &TVRW0::TrafficButtonClick);
    divider("ToolButton10");
    button("ToolButton6", 4, QT_TR_NOOP("Close this Program"), &TVRW0::Exit1Click);
    button("ToolButton7", 5, QT_TR_NOOP("About this Program"), &TVRW0::About1Click);
    divider("ToolButton11");
}

void TVRW0::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    FormShow();
}

void TVRW0::FormShow() {
    // An error in it is reported where it happens: the window is in the middle of being shown.
    emit settingsLoadRequested();
}

void TVRW0::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    // FormClose: the whole program ends with its Main window; ports close as windows go.
    QCoreApplication::quit();
}

void TVRW0::LineBusy() {
    Dialogs::Current().Message(this, tr("Message"),
                               tr("COM port in use, Shut down other program first !"));
}

bool TVRW0::LineHeldByOther(const QString& tool) const {
    return tool.isEmpty() ? !Line.Holder().isEmpty() : Line.HeldByOther(tool);
}

void TVRW0::SetCommunication1Click() {
    // Settings never change under an open line, whoever holds it.
    if (LineHeldByOther({})) return LineBusy();
    emit protocolWindowRequested();
}

void TVRW0::Monitor1Click() {
    if (LineHeldByOther(QString::fromLatin1(line_tool::Monitor))) return LineBusy();
    emit monitorWindowRequested();
}

void TVRW0::Recorder1Click() {
    if (LineHeldByOther(QString::fromLatin1(line_tool::Recorder))) return LineBusy();
    emit recorderWindowRequested();
}

void TVRW0::ToolButton5Click() {
    if (LineHeldByOther(QString::fromLatin1(line_tool::Tester))) return LineBusy();
    // Already open: nothing to set up again; a second reply timer would orphan a pending
    // time-out and leave the tester busy.
    if (TESTPL->isVisible()) return;
    Image1->hide();
    ToolBar1->setEnabled(false);
    TESTPL->OpenTester();
}

void TVRW0::CloseTester() {
    Image1->show();
    ToolBar1->setEnabled(true);
}

void TVRW0::Exit1Click() {
    close();
}

void TVRW0::About1Click() {
    emit aboutWindowRequested();
}

void TVRW0::TrafficButtonClick() {
    emit trafficWindowRequested();
}

void TVRW0::ScanButtonClick() {
    // A scan changes the line's settings at every try: never under another tool.
    if (LineHeldByOther(QString::fromLatin1(scan::ScanTool))) return LineBusy();
    emit scanWindowRequested();
}

} // namespace vrx
