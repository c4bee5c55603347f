// TVRW1, the Protocol window: the communication settings the whole program uses.
#pragma once

#include "comsettings.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace vrx {

class RadioGroup;

class TVRW1 : public QWidget {
    Q_OBJECT
public:
    explicit TVRW1(QWidget* parent = nullptr);

    // The settings as the six groups hold them now.
    ComSelections Selections() const;
    bool Rtu() const;

    // Loading at start-up from "SETVRX.$$$" in the current directory; throws FileError or
    // ConvertError, leaving the selections as they were.
    void LoadSettings();

    // Handlers.
    void FormShow();
    void ModBusClick();
    void OKBt1Click();

    // Sets ComNumber, line parameters from the groups (the opening is the caller's).
    void ApplyTo(SerialPort& port) const;
    // Selects the items of the selections, in the order loading does.
    void Select(const ComSelections& selections);
    // Finding the controllers on a line, beside the design's controls.
    void FindBtClick();

    RadioGroup* ComPort = nullptr;
    RadioGroup* ComBaudRate = nullptr;
    RadioGroup* ComParity = nullptr;
    RadioGroup* ComBitLen = nullptr;
    RadioGroup* ComStopBit = nullptr;
    RadioGroup* ModBus = nullptr;
    QLabel* ComSetLB = nullptr;
    QPushButton* OKBt1 = nullptr;
    QPushButton* FindBt = nullptr;

signals:
    void findControllersRequested();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SelectInitial();
};

} // namespace vrx
