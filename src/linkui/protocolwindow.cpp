// The Protocol window's groups, the settings file and the RTU data-bit rule.
#include "protocolwindow.h"

#include "comnaming.h"
#include "guard.h"
#include "radiogroup.h"
#include "scaling.h"
#include "taborder.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace vrx {

TVRW1::TVRW1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("VRW1"));
    setWindowTitle(tr("COMPORT PROTOCOL"));
    resize(400, 412);

    ComSetLB = new QLabel(tr("COM PORT SETTING"), this);
    ComSetLB->setObjectName(QStringLiteral("ComSetLB"));
    QFont heading = ComSetLB->font();
    heading.setBold(true);
    heading.setPixelSize(16);
    ComSetLB->setFont(heading);
    ComSetLB->setGeometry(16, 8, 368, 26);

    const auto group = [this](const char* name, const QString& caption, const QStringList& items,
                              int columns, QRect geometry) {
        auto* g = new RadioGroup(caption, items, columns, this);
        g->setObjectName(QString::fromLatin1(name));
        g->setGeometry(geometry);
        return g;
    };
    ComPort = group("ComPort", tr("ComPort"),
                    {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}, 4,
                    {16, 40, 368, 72});
    ComBaudRate =
        group("ComBaudRate", tr("Baudrate"),
              {"2400bps", "4800bps", "9600bps", "19200bps", "38400bps"}, 3, {16, 118, 368, 72});
    ComParity = group("ComParity", tr("Parity Bit"), {tr("None"), tr("Even"), tr("Odd")}, 3,
                      {16, 196, 368, 56});
    ComBitLen = group("ComBitLen", tr("Data Bit Length"), {tr("7 bits"), tr("8 bits")}, 1,
                      {16, 258, 180, 72});
    ComStopBit = group("ComStopBit", tr("Stop Bit Length"), {tr("1 bit"), tr("2 bits")}, 1,
                       {204, 258, 180, 72});
    ModBus = group("ModBus", tr("Modbus Format"), {"ASCII", "RTU"}, 1, {16, 336, 180, 68});

    OKBt1 = new QPushButton(tr("OK"), this);
    OKBt1->setObjectName(QStringLiteral("OKBt1"));
    OKBt1->setGeometry(244, 360, 120, 32);

    FindBt = new QPushButton(tr("Find controllers..."), this);
    FindBt->setObjectName(QStringLiteral("FindBt"));
    FindBt->setToolTip(tr("Try the settings and addresses and list the controllers that answer"));
    // Between the stop bits and OK, where the design left room.
    FindBt->setGeometry(204, 334, 180, 24);
    connect(FindBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW1::FindBtClick));

    connect(ModBus, &RadioGroup::Click, this, GuardedSlot(this, &TVRW1::ModBusClick));
    connect(OKBt1, &QPushButton::clicked, this, GuardedSlot(this, &TVRW1::OKBt1Click));

    SelectInitial();
    ScaleForm(this);
    OrderTabsByPlace(this);
}

void TVRW1::SelectInitial() {
    ComStopBit->SetItemIndex(0);
    ComBitLen->SetItemIndex(0);
    ComParity->SetItemIndex(1);
    ComBaudRate->SetItemIndex(2);
    ComPort->SetItemIndex(0);
    ModBus->SetItemIndex(0);
}

ComSelections TVRW1::Selections() const {
    return {ComPort->ItemIndex(),   ComBaudRate->ItemIndex(), ComParity->ItemIndex(),
            ComBitLen->ItemIndex(), ComStopBit->ItemIndex(),  ModBus->ItemIndex()};
}

bool TVRW1::Rtu() const {
    return ModBus->ItemIndex() == 1;
}

void TVRW1::LoadSettings() {
    if (!QFile::exists(QString::fromLatin1(SettingsFileName))) {
        SelectInitial();
        return;
    }
    Select(UnpackSettings(ReadSettingsFile(QString::fromLatin1(SettingsFileName))));
}

void TVRW1::Select(const ComSelections& s) {
    // Framing first: going to RTU forces 8 data bits, which the stored digit then confirms.
    ModBus->SetItemIndex(s.modBus);
    ComStopBit->SetItemIndex(s.stopBit);
    ComBitLen->SetItemIndex(s.bitLen);
    ComParity->SetItemIndex(s.parity);
    ComBaudRate->SetItemIndex(s.baudRate);
    ComPort->SetItemIndex(s.comPort);
    // A file edited by hand may pair RTU with 7 data bits, which would cut the top bit off every
    // byte; the rule the window applies to the user applies to the file too.
    ModBusClick();
}

void TVRW1::FindBtClick() {
    emit findControllersRequested();
}

void TVRW1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TVRW1::FormShow() {
    if (ComPort->ItemIndex() == -1) SelectInitial();
    // What each COMn is on this machine: a device path or a network endpoint.
    const QStringList devices = DefaultComDevices();
    for (int i = 0; i < 8; ++i)
        ComPort->Button(i)->setToolTip(ComDescription(ResolveCom(i + 1, devices)));
    OKBt1->setFocus();
}

void TVRW1::ModBusClick() {
    if (Rtu()) {
        ComBitLen->SetItemIndex(1);
        ComBitLen->setEnabled(false);
    } else {
        ComBitLen->setEnabled(true);
    }
}

void TVRW1::OKBt1Click() {
    // Throws before closing, so a file that cannot be written leaves the window open.
    WriteSettingsFile(QString::fromLatin1(SettingsFileName), PackSettings(Selections()));
    close();
}

void TVRW1::ApplyTo(SerialPort& port) const {
    ApplySettings(Selections(), port);
}

} // namespace vrx
