// ComSelectForm, the Port selection dialog: asks for a serial port when none is configured.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace vrx {

// "Select Port": lists COM1 to COM50 that exist on this machine; OK gives the chosen number.
class ComSelectForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int HighestPort = 50;

    explicit ComSelectForm(QWidget* parent = nullptr);
    // Same, over a given list of default devices (tests).
    ComSelectForm(const QStringList& defaultDevices, QWidget* parent);

    // The port chosen when the dialog ended with `result`; 0 when cancelled or nothing chosen.
    int ChosenNumber(int result) const;

private:
    void Build(const QStringList& defaultDevices);

    QComboBox* PortsComboBox = nullptr;
    // What the chosen COMn is: its device path, or the network endpoint it stands for.
    QLabel* PortWhereLB = nullptr;
    QPushButton* OkBtn = nullptr;
    QPushButton* AbortBtn = nullptr;
};

// Makes SerialPort ask the user through this dialog (shown by the dialog seam) whenever a port
// opens without a port number. Run once at program start.
void InstallPortDialog();

} // namespace vrx
