// TVRX5, the Ramp/soak editor window: the controller's eight temperature profiles as a table
// and a curve, read from and written to the Monitor's selected station, saved and loaded as
// program files.
#pragma once

#include "enginetransfer.h"
#include "patternprogram.h"

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace vrx {

class CurveImage;

class TVRX5 : public QWidget {
    Q_OBJECT
public:
    // Transfers go through the Monitor's engine and line, between that engine's polls; the
    // editor owns none.
    explicit TVRX5(PollEngine& engine, QWidget* parent = nullptr);

    // Handlers.
    void FormShow();
    void ProgTableClick(int row, int column);
    void EditPBtClick();
    // POKBt, Enter in SPEdit, MaxStep, StepLink or TimeHour: the editor's value into the cell.
    void POKBtClick();
    void TimeHourChange();
    void TimeMinChange();
    void ProgStartChange();
    void RetBtClick();
    void ReadSBtClick();
    void WrBtClick();
    void SaveFBtClick();
    void ReadFBtClick();

    // The program of the table, kept while the program runs; the window shows and hides
    // without losing it.
    PatternProgram Program;
    // The cell being edited: pattern EditCol - 1, row EditRow.
    int EditCol = 1;
    int EditRow = 1;

    QTableWidget* ProgTable = nullptr;
    CurveImage* ProgCurve = nullptr;
    QLabel* StartPLB = nullptr;
    QComboBox* ProgStart = nullptr;
    QGroupBox* EditBox = nullptr;
    QLabel* StepLinkLb = nullptr;
    QLineEdit* SPEdit = nullptr;
    QComboBox* MaxStep = nullptr;
    QComboBox* StepLink = nullptr;
    QLabel* TimeHourLB = nullptr;
    QComboBox* TimeHour = nullptr;
    QLabel* TimeMinLb = nullptr;
    QSpinBox* TimeMin = nullptr;
    QPushButton* POKBt = nullptr;
    QPushButton* EditPBt = nullptr;
    QPushButton* ReadSBt = nullptr;
    QPushButton* WrBt = nullptr;
    QPushButton* ReadFBt = nullptr;
    QPushButton* SaveFBt = nullptr;
    QPushButton* RetBt = nullptr;
    QLabel* UpLoadLabelP = nullptr;
    QProgressBar* UpLoadBarP = nullptr;

    EngineTransfer Transfer;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the form at design size (programeditorlayout.cpp).
    void FormCreate();
    void BuildTable();
    void BuildEditBox();
    void BuildButtons();
    void WireHandlers();

    // What the transfers report.
    void ReadFinished(const PatternProgram& program);
    void ReadStopped();
    // A write ended, whole or not: one message says how.
    void WriteEnded(const PatternWriteEnd& end);

    // The cell the user moved to, with the mouse or the keys: false for a title.
    bool SelectCell(int row, int column);
    void TakeProgram(const PatternProgram& program);
    void FillTable();
    void SetCell(int row, int column, const QString& text);
    void ShowEditorFor(int row);
    void LoadEditor(int row);
    void FocusEditor(int row);
    void DrawCurve();
    // "°C" or "°F" as the selected station shows its values; empty when not known.
    QString TemperatureUnit() const;
    void ShowProgress(const QString& caption);
    void HideProgress();
    void UpdateButtons();
    bool LineReady();

    PollEngine& engine_;
    // A program came from a controller or a file: editing, saving and writing may start.
    bool programTaken_ = false;
    // A file is being read: the buttons wait for it.
    bool loadingFile_ = false;
};

} // namespace vrx
