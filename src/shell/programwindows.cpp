// Program start.
#include "programwindows.h"

#include "commandtester.h"
#include "guard.h"
#include "vrxversion.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QSpinBox>
#include <QScreen>
#include <QTimer>
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

// What the Main window asks for. Its requests for the windows made after it make them first,
// should one come before they are there (see StartForms).
void ConnectMainWindow(Forms& forms) {
    TVRW0* main = forms.VRW0.get();
    TVRW1* protocol = forms.VRW1.get();
    main->TESTPL->SetProtocol(protocol);
    QObject::connect(main, &TVRW0::settingsLoadRequested, protocol,
                     [protocol] { Guarded([protocol] { protocol->LoadSettings(); }); });
    QObject::connect(main, &TVRW0::protocolWindowRequested, protocol, [main, protocol] {
        CentreOn(protocol, main);
        ShowOnTop(protocol);
    });
    // A window made after the Main window, made now if it is not yet, and shown.
    Forms* all = &forms;
    const auto show = [all, main](auto window, bool centred) {
        return [all, main, window, centred] {
            CreateOtherForms(*all);
            QWidget* shown = window(*all);
            if (centred) CentreOn(shown, main);
            ShowOnTop(shown);
        };
    };
    QObject::connect(main, &TVRW0::monitorWindowRequested, main,
                     show([](Forms& f) { return f.VRW2.get(); }, false));
    QObject::connect(main, &TVRW0::recorderWindowRequested, main,
                     show([](Forms& f) { return f.VRW3.get(); }, false));
    QObject::connect(main, &TVRW0::aboutWindowRequested, main,
                     show([](Forms& f) { return f.VRW4.get(); }, true));
    QObject::connect(main, &TVRW0::trafficWindowRequested, main,
                     show([](Forms& f) { return f.Traffic.get(); }, false));
    // Finding the controllers: the line and settings the Protocol window holds come first.
    const auto showScan = [all, main, protocol] {
        CreateOtherForms(*all);
        const ComSelections selections = protocol->Selections();
        all->Scan->SetStart(selections.comPort + 1, ToLineSettings(selections));
        if (!all->Scan->isVisible()) CentreOn(all->Scan.get(), main);
        ShowOnTop(all->Scan.get());
    };
    QObject::connect(main, &TVRW0::scanWindowRequested, main, showScan);
    QObject::connect(protocol, &TVRW1::findControllersRequested, main, showScan);
}

// Makes the windows after the Main window once it has been painted, so that it is on screen
// first. A window that is never painted (started minimized, a platform that does not expose
// it) has them made a second after the start.
class AfterFirstPaint : public QObject {
public:
    explicit AfterFirstPaint(Forms& forms) : QObject(forms.VRW0.get()), forms_(forms) {
        setObjectName(QStringLiteral("AfterFirstPaint"));
        forms.VRW0->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { Create(); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued: the painted window reaches the screen first.
            QTimer::singleShot(0, this, [this] { Create(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Create() {
        Guarded([this] { CreateOtherForms(forms_); });
        deleteLater();
    }

    Forms& forms_;
};

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

std::unique_ptr<Forms> CreateMainForms() {
    // The name, not the display name: Qt would append a display name to every window caption.
    QApplication::setApplicationName(ApplicationTitle());
    auto forms = std::make_unique<Forms>();
    forms->Line = std::make_unique<LineOwner>();
    forms->VRW0 = std::make_unique<TVRW0>(*forms->Line);
    forms->VRW1 = std::make_unique<TVRW1>();
    ConnectMainWindow(*forms);
    return forms;
}

void CreateOtherForms(Forms& forms) {
    if (forms.VRW2) return;
    forms.VRW2 = std::make_unique<TVRW2>(*forms.VRW1, *forms.Line);
    forms.VRW4 = std::make_unique<TVRW4>();
    forms.VRW3 = std::make_unique<TVRW3>(*forms.VRW1, *forms.Line);
    forms.VRX5 = std::make_unique<TVRX5>(forms.VRW2->Engine);
    forms.VRW2->SetProgramWindow(forms.VRX5.get());
    forms.Traffic = std::make_unique<TrafficForm>();
    const auto showTraffic = [w = forms.Traffic.get()] { ShowOnTop(w); };
    QObject::connect(forms.VRW2.get(), &PortWindow::trafficWindowRequested, forms.Traffic.get(),
                     showTraffic);
    QObject::connect(forms.VRW3.get(), &PortWindow::trafficWindowRequested, forms.Traffic.get(),
                     showTraffic);
    forms.Scan = std::make_unique<ScanForm>(*forms.Line);
    Forms* all = &forms;
    QObject::connect(
        forms.Scan.get(), &ScanForm::useSettings, forms.Scan.get(),
        [all](int com, const LineSettings& settings, const std::vector<int>& addresses) {
            Guarded([&] { UseScanSettings(*all, com, settings, addresses); });
        });
}

void UseScanSettings(Forms& forms, int com, const LineSettings& settings,
                     const std::vector<int>& addresses) {
    // Settings never change under an open line.
    if (!forms.Line->Holder().isEmpty()) return forms.VRW0->LineBusy();
    forms.VRW1->Select(SelectionsFor(com, settings));
    const auto addressAt = [&addresses](std::size_t i) {
        return i < addresses.size() ? addresses[i] : 0;
    };
    for (int st = 1; st <= PollEngine::Stations; ++st)
        forms.VRW2->ComAddr[st]->setValue(addressAt(std::size_t(st - 1)));
    for (std::size_t p = 0; p < forms.VRW3->ComAddrs.size(); ++p)
        forms.VRW3->ComAddrs[p]->setValue(addressAt(p));
    // Kept for the next run as PROTOCOL's OK keeps them; last, so a file that cannot be written
    // leaves the windows set up all the same.
    WriteSettingsFile(QString::fromLatin1(SettingsFileName),
                      PackSettings(forms.VRW1->Selections()));
}

std::unique_ptr<Forms> CreateForms() {
    auto forms = CreateMainForms();
    CreateOtherForms(*forms);
    return forms;
}

void ShowMainWindow(const Forms& forms) {
    // Without a window manager a maximize request is not acted on; start at full size anyway.
    forms.VRW0->setGeometry(forms.VRW0->screen()->availableGeometry());
    forms.VRW0->showMaximized();
}

std::unique_ptr<Forms> StartForms() {
    auto forms = CreateMainForms();
    new AfterFirstPaint(*forms);
    ShowMainWindow(*forms);
    return forms;
}

int RunProgram() {
    const auto forms = StartForms();
    return QApplication::exec();
}

} // namespace vrx
