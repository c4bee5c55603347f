// The About window's panel, logo and texts.
#include "aboutwindow.h"

#include "scaling.h"
#include "taborder.h"
#include "vrxversion.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>

namespace vrx {

TVRW4::TVRW4(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("VRW4"));
    setWindowTitle(tr("ABOUT"));

    AboutPl = new QFrame(this);
    AboutPl->setObjectName(QStringLiteral("AboutPl"));
    AboutPl->setFrameStyle(QFrame::Panel | QFrame::Raised);
    AboutPl->setGeometry(8, 8, 304, 160);

    Image2 = new QLabel(AboutPl);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(QPixmap(QStringLiteral(":/assets/logo.jpg")));
    Image2->setScaledContents(true);
    Image2->setGeometry(16, 14, 90, 43);

    // The version line is the project's version in this caption's own notation, two digits for
    // the minor and the patch number: 1.0.0 reads "Version 1.00.00".
    const QString lines[] = {tr("VRX Digital Controller"), tr("Communication Program"),
                             tr("Version %1.%2.%3")
                                 .arg(VRX_VERSION_MAJOR)
                                 .arg(VRX_VERSION_MINOR, 2, 10, QLatin1Char('0'))
                                 .arg(VRX_VERSION_PATCH, 2, 10, QLatin1Char('0')),
                             tr("Recommanded Display Resolution 800 x 600")};
    const QRect places[] = {
        {116, 14, 180, 20}, {116, 36, 180, 20}, {16, 76, 280, 20}, {16, 110, 280, 36}};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(lines[i], AboutPl);
        label->setObjectName(QStringLiteral("AboutLb%1").arg(i + 1));
        label->setGeometry(places[i]);
        label->setWordWrap(true);
        if (i < 2) {
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
        }
    }
    resize(320, 176);
    ScaleForm(this);
    OrderTabsByPlace(this);
    setFixedSize(size());
}

} // namespace vrx
