// Program start.
#include "forms.h"

#include <QApplication>
#include <QScreen>

namespace vrx {

std::unique_ptr<Forms> CreateForms() {
    // The name, not the display name: Qt would append a display name to every window caption.
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    auto forms = std::make_unique<Forms>();
    forms->VRW0 = std::make_unique<TVRW0>();
    forms->VRW1 = std::make_unique<TVRW1>();
    forms->VRW2 = std::make_unique<TVRW2>(*forms->VRW1);
    forms->VRW4 = std::make_unique<TVRW4>();
    forms->VRW3 = std::make_unique<TVRW3>(*forms->VRW1);
    forms->VRX5 = std::make_unique<TVRX5>(*forms->VRW2);
    forms->VRW2->SetProgramWindow(forms->VRX5.get());
    forms->VRW0->SetForms(forms.get());
    return forms;
}

int RunProgram() {
    const auto forms = CreateForms();
    // Without a window manager a maximize request is not acted on; start at full size anyway.
    forms->VRW0->setGeometry(forms->VRW0->screen()->availableGeometry());
    forms->VRW0->showMaximized();
    return QApplication::exec();
}

} // namespace vrx
