// The port selection dialog and its probe of COM1 to COM50.
#include "portselectdialog.h"

#include "comnaming.h"
#include "dialogs.h"
#include "serialport.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vrx {

ComSelectForm::ComSelectForm(QWidget* parent) : ComSelectForm(DefaultComDevices(), parent) {}

ComSelectForm::ComSelectForm(const QStringList& defaultDevices, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
    Build(defaultDevices);
}

void ComSelectForm::Build(const QStringList& defaultDevices) {
    setObjectName(QStringLiteral("ComSelectForm"));
    setWindowTitle(tr("Select Port"));

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(new QLabel(tr("The configured serial port is not valid."), frame));
    frameLayout->addWidget(new QLabel(tr("Please choose another port."), frame));

    PortsComboBox = new QComboBox(this);
    PortsComboBox->setObjectName(QStringLiteral("PortsComboBox"));
    PortsComboBox->setEditable(false);
    for (int n = 1; n <= HighestPort; ++n) {
        if (!ComExists(n, defaultDevices)) continue;
        PortsComboBox->addItem(QStringLiteral("COM%1").arg(n));
        const QString where = ComDescription(ResolveCom(n, defaultDevices));
        PortsComboBox->setItemData(PortsComboBox->count() - 1, where, Qt::ToolTipRole);
    }
    PortWhereLB = new QLabel(this);
    PortWhereLB->setObjectName(QStringLiteral("PortWhereLB"));
    const auto showWhere = [this](int index) {
        PortWhereLB->setText(
            index < 0 ? QString() : PortsComboBox->itemData(index, Qt::ToolTipRole).toString());
    };
    connect(PortsComboBox, &QComboBox::currentIndexChanged, this, showWhere);
    PortsComboBox->setCurrentIndex(PortsComboBox->count() > 0 ? 0 : -1);
    showWhere(PortsComboBox->currentIndex());

    OkBtn = new QPushButton(tr("OK"), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setDefault(true);
    AbortBtn = new QPushButton(tr("Cancel"), this);
    AbortBtn->setObjectName(QStringLiteral("AbortBtn"));
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(AbortBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OkBtn);
    buttons->addWidget(AbortBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(PortsComboBox);
    layout->addWidget(PortWhereLB);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->geometry().center() - rect().center());
    }
}

int ComSelectForm::ChosenNumber(int result) const {
    if (result != QDialog::Accepted || PortsComboBox->currentIndex() < 0) return 0;
    // "COM12" gives 12: the number starts at the fourth character.
    bool ok = false;
    const int number = PortsComboBox->currentText().mid(3).toInt(&ok);
    return ok ? number : 0;
}

void InstallPortDialog() {
    SerialPort::InstallPortChooser([] {
        ComSelectForm form;
        return form.ChosenNumber(Dialogs::Current().Exec(form));
    });
}

} // namespace vrx
