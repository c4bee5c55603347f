// Program start.
#include "programwindows.h"

#include "commandtester.h"
#include "guard.h"
#include "vrxversion.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

namespace vrx {

namespace {

void CentreOn(QWidget* window, const QWidget* over) {
    window->adjustSize();
    const QRect frame = over->frameGeometry();
    window->move(frame.center() - QPoint(window->width() / 2, window->height() / 2));
}

void ShowOnTop(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// What the Main window asks for, done with the windows made after it.
void ConnectMainWindow(const Forms& forms) {
    TVRW0* main = forms.VRW0.get();
    TVRW1* protocol = forms.VRW1.get();
    main->TESTPL->SetProtocol(protocol);
    QObject::connect(main, &TVRW0::settingsLoadRequested, protocol,
                     [protocol] { Guarded([protocol] { protocol->LoadSettings(); }); });
    QObject::connect(main, &TVRW0::protocolWindowRequested, protocol, [main, protocol] {
        CentreOn(protocol, main);
        ShowOnTop(protocol);
    });
    QObject::connect(main, &TVRW0::monitorWindowRequested, forms.VRW2.get(),
                     [w = forms.VRW2.get()] { ShowOnTop(w); });
    QObject::connect(main, &TVRW0::recorderWindowRequested, forms.VRW3.get(),
                     [w = forms.VRW3.get()] { ShowOnTop(w); });
    QObject::connect(main, &TVRW0::aboutWindowRequested, forms.VRW4.get(),
                     [main, w = forms.VRW4.get()] {
                         CentreOn(w, main);
                         ShowOnTop(w);
                     });
    const auto showTraffic = [w = forms.Traffic.get()] { ShowOnTop(w); };
    QObject::connect(main, &TVRW0::trafficWindowRequested, forms.Traffic.get(), showTraffic);
    QObject::connect(forms.VRW2.get(), &PortWindow::trafficWindowRequested, forms.Traffic.get(),
                     showTraffic);
    QObject::connect(forms.VRW3.get(), &PortWindow::trafficWindowRequested, forms.Traffic.get(),
                     showTraffic);
}

} // namespace

QString ApplicationTitle() {
    return QStringLiteral("VRX Communication Program V%1.%2")
        .arg(VRX_VERSION_MAJOR)
        .arg(VRX_VERSION_MINOR, 2, 10, QLatin1Char('0'));
}

bool InstallTranslation(const QLocale& locale) {
    if (locale.language() != QLocale::Chinese ||
        locale.script() != QLocale::TraditionalChineseScript)
        return false;
    // Owned by the application, which outlives every window.
    auto* program = new QTranslator(qApp);
    if (!program->load(QStringLiteral(":/i18n/vrxcom_zh_TW.qm"))) {
        delete program;
        return false;
    }
    QCoreApplication::installTranslator(program);
    auto* qt = new QTranslator(qApp);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return true;
}

std::unique_ptr<Forms> CreateForms() {
    // The name, not the display name: Qt would append a display name to every window caption.
    QApplication::setApplicationName(ApplicationTitle());
    auto forms = std::make_unique<Forms>();
    forms->Line = std::make_unique<LineOwner>();
    forms->VRW0 = std::make_unique<TVRW0>(*forms->Line);
    forms->VRW1 = std::make_unique<TVRW1>();
    forms->VRW2 = std::make_unique<TVRW2>(*forms->VRW1, *forms->Line);
    forms->VRW4 = std::make_unique<TVRW4>();
    forms->VRW3 = std::make_unique<TVRW3>(*forms->VRW1, *forms->Line);
    forms->VRX5 = std::make_unique<TVRX5>(forms->VRW2->Engine);
    forms->VRW2->SetProgramWindow(forms->VRX5.get());
    forms->Traffic = std::make_unique<TrafficForm>();
    ConnectMainWindow(*forms);
    return forms;
}

void ShowMainWindow(const Forms& forms) {
    // Without a window manager a maximize request is not acted on; start at full size anyway.
    forms.VRW0->setGeometry(forms.VRW0->screen()->availableGeometry());
    forms.VRW0->showMaximized();
}

int RunProgram() {
    const auto forms = CreateForms();
    ShowMainWindow(*forms);
    return QApplication::exec();
}

} // namespace vrx
