// ScanForm, the Find controllers window: the choices of a scan, its progress, the devices as they
// are found, and "Use these settings".
#pragma once

#include "scanrunner.h"

#include <QWidget>

#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace vrx {

class LineOwner;

class ScanForm : public QWidget {
    Q_OBJECT
public:
    explicit ScanForm(LineOwner& line, QWidget* parent = nullptr);
    ~ScanForm() override;

    // The line and the settings the Protocol window holds now: the line is the one scanned
    // unless the user picks another, the settings are tried first.
    void SetStart(int com, const LineSettings& settings);

    scan::ScanRunner& Runner() { return *runner_; }

    // Room for the found devices' columns: the layout alone would make the window as narrow as
    // its choices.
    QSize sizeHint() const override;

    // Handlers.
    void FindBtClick();
    void CancelBtClick();
    void UseBtClick();

    QComboBox* ComBox = nullptr;
    QLineEdit* AddressEdit = nullptr;
    QCheckBox* AsciiBox = nullptr;
    QCheckBox* RtuBox = nullptr;
    std::array<QCheckBox*, 5> SpeedBoxes{}; // OfferedBauds, in order
    QLineEdit* FormatEdit = nullptr;
    QCheckBox* AllSettingsBox = nullptr;
    QPushButton* FindBt = nullptr;
    QPushButton* CancelBt = nullptr;
    QProgressBar* ScanGauge = nullptr;
    QLabel* TryingLB = nullptr;
    QTableWidget* FoundGrid = nullptr;
    QLabel* NoiseLB = nullptr;
    QPushButton* UseBt = nullptr;
    QPushButton* CloseBt = nullptr;

signals:
    // The user chose the settings of the controllers found: COMn, the line's settings and the
    // VRX controllers' addresses there. Nothing is sent: the tools are only set up.
    void useSettings(int com, const vrx::LineSettings& settings, const std::vector<int>& addresses);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The choices as typed; nothing, with the reason shown, when one is wrong.
    std::optional<scan::ScanChoices> Choices();
    void ShowProgress(const scan::ScanProgress& progress);
    void AddFinding(const scan::Finding& finding);
    void AddNoise(const LineSettings& settings);
    void Finished(scan::ScanEnd end, const QString& reason);
    void EnableChoices(bool enabled);
    // The setting of the row chosen (or the first VRX controller's) and the VRX controllers
    // found at it.
    std::optional<std::pair<LineSettings, std::vector<int>>> Chosen() const;

    std::unique_ptr<scan::ScanRunner> runner_;
    LineSettings first_;
    int scannedCom_ = 1;
    QStringList noise_;
};

} // namespace vrx
