// TVRW2, the Monitor window: polls up to four controllers and edits their parameters.
#pragma once

#include <QPointer>

#include "pollengine.h"
#include "portwindow.h"
#include "trendcanvas.h"

#include <QHash>

#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace vrx {

class Shape;
class StatsForm;

class TVRW2 : public PortWindow {
    Q_OBJECT
public:
    TVRW2(TVRW1& protocol, LineOwner& line, QWidget* parent = nullptr);
    ~TVRW2() override;

    // The Ramp/soak editor, created after this window; ProgBt shows it and Exit closes it.
    void SetProgramWindow(QWidget* editor) { programWindow_ = editor; }

    void FormShow() override;
    void FormClose() override;

    // The stations' statistics, from the context menu ("Statistics...", Ctrl+I).
    StatsForm* Stats = nullptr;

    // Handlers. The Connect and Cancel buttons share RunStopBtClick, the address edits
    // ComAddr1Change and the pictures Image1Click; each tells its station by its Tag.
    void RunStopBtClick(QObject* sender);
    void ComAddr1Change(QSpinBox* edit);
    void Image1Click(QWidget* image);
    void ExitBt2Click();
    void ProgBtClick();

    // Editing (monitorwindowediting.cpp). The 34 parameter edits share OnKeyPress (key is the
    // character typed, '\r' for Enter), the 16 combo boxes CtrlSetSelect, ClearBt1 and ClearBt2
    // ClearBt1Click, the trace row's circles ErrClearBt1MouseDown (told apart by their Tag).
    void OnKeyPress(QLineEdit* edit, QChar key);
    // Marks a parameter box whose value was not taken (a red frame, the reason in its tooltip),
    // or clears the mark with an empty reason.
    void MarkRefused(QLineEdit* edit, const QString& reason);
    void WriteRefused(const QByteArray& frame, const QString& reason);
    // The boxes show only the marks of station st, the one now selected.
    void ShowRefusalsOf(int st);
    void CtrlSetSelect(QComboBox* combo);
    void ClearBt1Click(QObject* sender);
    void ErrClearBt1MouseDown(QWidget* sender);
    void FWVersionDblClick();
    void PassLBClick();
    void PassEditChange();

    // The settings and trend views (monitorwindowviews.cpp).
    void DrawBtClick();
    void DrawTrend();
    void AddTrendPoint();

    // Enables or disables every editing control; ComWrite stays enabled so that writes can
    // always be switched back on.
    void SetEditEnabled(bool enabled);

    // The operation panel (monitorwindowfiles.cpp): the selected controller's parameter memory into
    // the buffer, the buffer to and from a file, and back into one controller or all. The
    // buttons only ask; the engine does the work at its next turns. WriteBt and WrAllBt share
    // WriteBtClick.
    void LoadBtClick();
    void SaveBtClick();
    void OpenBtClick();
    void WriteBtClick(QObject* sender);
    // The file dialogs run from an engine turn, when no request is on the line.
    void SaveRoutine();
    void OpenRoutine();
    // The name, without its folder, of the last parameter file chosen.
    QString ParamFileName;

    // The engine: stations, polling, writes and the trend.
    PollEngine Engine;

    // What the window shows: the settings panels, the hidden mode's controls (asked for by
    // the access code, shown after a whole settings cycle), the trend view, the firmware
    // panel's design caption, and whether the box being typed in holds tenths.
    bool PanelsShown = false;
    bool HiddenMode = false;
    bool HiddenShown = false;
    bool TrendView = false;
    // The trend's chart tools: once the user zoomed or moved the chart it shows TrendSpan of
    // the selected station's samples (oldest first) instead of the whole history.
    bool TrendZoomed = false;
    ChartSpan TrendSpan;
    int TrendZoomStation = 0;
    ChartMouse* TrendTools = nullptr;
    // What a saved trend says below its chart: the station's PV and SV traces and the time
    // they span; empty when no trend is shown.
    ChartLegend TrendLegend() const;
    QString FwCaption = QStringLiteral("Firmware Version");
    bool TenthsScale = false;

    // Per station, indexed 1..4 like the engine's arrays.
    template <typename T> using PerStation = std::array<T*, PollEngine::Stations + 1>;
    PerStation<QLabel> Panel{};
    PerStation<QSpinBox> ComAddr{};
    PerStation<Shape> ShapeBG{};
    PerStation<Shape> RunLED{};
    PerStation<QLabel> Image{};
    PerStation<QLineEdit> EditP{};
    PerStation<QLineEdit> EditS{};
    // AT, OUT1, OUT2, ALM1, ALM2, ALM3, degrees F, degrees C.
    std::array<PerStation<Shape>, LampCount> Lamps{};
    PerStation<QPushButton> RunBt{};
    PerStation<QPushButton> StopBt{};
    PerStation<QLabel> OutLB1{};
    PerStation<QProgressBar> OutQty1{};
    PerStation<QLabel> OutLB2{};
    PerStation<QProgressBar> OutQty2{};
    PerStation<Shape> ErrClearBt{};
    PerStation<QLabel> DoCnt{};
    PerStation<QLabel> ErrCnt{};

    QFrame* DebugMess = nullptr;
    Shape* SelPanel = nullptr;
    QGroupBox* CtrlBox = nullptr;
    QGroupBox* TempBox = nullptr;
    QGroupBox* ManuBox = nullptr;
    QGroupBox* OnOffBox = nullptr;
    QGroupBox* PIDBox = nullptr;
    QGroupBox* AlmBox = nullptr;
    QGroupBox* AdjustBox = nullptr;
    QLabel* FWVersion = nullptr;
    QLabel* PassLB = nullptr;
    QLineEdit* PassEdit = nullptr;
    QPushButton* ClearBt1 = nullptr;
    QPushButton* ClearBt2 = nullptr;
    QFrame* OpPanel = nullptr;
    QPushButton* LoadBt = nullptr;
    QPushButton* OpenBt = nullptr;
    QPushButton* SaveBt = nullptr;
    QPushButton* WriteBt = nullptr;
    QPushButton* WrAllBt = nullptr;
    QPushButton* ProgBt = nullptr;
    QPushButton* DrawBt = nullptr;
    QPushButton* ExitBt2 = nullptr;
    QLabel* ErrMess = nullptr;
    QLabel* UpLoadLabel = nullptr;
    QProgressBar* UpLoadBar = nullptr;
    TrendImage* DrawIme = nullptr;

    // The parameter boxes by object name. The program fills them with their signals blocked,
    // so a write is composed only from the user's own acts: key presses in the edits and
    // QComboBox::activated in the combo boxes.
    QLineEdit* Edit(const QString& name) const { return edits_.value(name); }
    QComboBox* Combo(const QString& name) const { return combos_.value(name); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where the focus was when the password box opened.
    QPointer<QWidget> passFocusReturn_;
    // The box whose value went out as the last single write, the frame and what was typed.
    QPointer<QLineEdit> writeEdit_;
    QByteArray writeFrame_;
    QString writeText_;
    int writeStation_ = 0;
    // Per station, the last write its controller refused: the box and why. The boxes are shared
    // by the stations, so the mark is shown only while its station is selected.
    struct Refusal {
        QPointer<QLineEdit> edit;
        QString reason;
    };
    std::array<Refusal, PollEngine::Stations + 1> refusals_{};
    // Building the form at design size (monitorwindowlayout.cpp).
    void FormCreate();
    void BuildStation(int st);
    void BuildStationFace(int st);
    void BuildCounters();
    void BuildControlBox();
    void BuildInputBox();
    void BuildMethodBoxes();
    void BuildAlarmBox();
    void BuildAdjustBox();
    void BuildOperations();
    QLineEdit* MakeParamEdit(QWidget* box, const char* name, int row, int labelWidth,
                             int fieldWidth);
    QComboBox* MakeParamCombo(QWidget* box, const char* name, int row, int labelWidth,
                              int fieldWidth);
    void WireEngine();
    void WireFiles();
    void WireEditing();
    void WireViews();
    void WireTools();
    void RestoreWorkspace();

    // What the engine says, shown (monitorwindow.cpp).
    void PaintStation(int st);
    void MoveSelection(int st, bool connected);
    void ShowSettings(const SettingsBlock& block);
    void ShowError(const QString& text);
    void ShowCounters(int st);
    void ShowPanels(bool shown);
    void ShowHiddenControls(bool shown);
    // The panels, and the hidden controls with them, shown or hidden with their state.
    void SetPanelsShown(bool shown);
    // Shows a message once the engine's turn that reported it is over.
    void SayAfterTurn(const QString& caption, const QString& text);
    // Hides the password box, with the firmware panel back in its place unless told not to.
    void ClosePasswordBox(bool showFirmware = true);
    void SetHiddenShown(bool shown);
    void SettingsReadEnded(bool first);
    void LastStationGone();
    void ResetControls();
    void SwitchControlGroup(int controlMethod);
    void ShowAlarm3(bool shown);
    void LeaveTrendView();
    // The trend's chart tools (monitorwindowviews.cpp).
    void ZoomTrend(QPoint at, double steps);
    void PanTrend(int dx);
    void ShowTrendCursor(QPoint at);
    void ResetTrendZoom();
    // The span shown now: the first view's when not zoomed.
    ChartSpan ShownTrendSpan() const;
    // Shows a span of a station's samples (`samples` of them now): zoomed from now on.
    void ShowTrendSpan(const ChartSpan& span, int st, int samples);
    void DrawTrendSpan();
    // Keeps a zoomed span on its samples, or on the newest ones, as a new sample comes.
    void FollowTrendSample();
    int trendSamplesSeen_ = 0;
    // A station's history as the chart drew it last: the engine moves its index on to the next
    // place right after a sample is drawn.
    TrendSamples ShownTrend(int st) const;
    bool trendSampling_ = false;
    void EndUpload();
    void EnableBufferButtons();
    void ShowUpload(const QString& caption);
    void TransferStopped(const QString& text);
    // The question before Write to Select or BroadCast: where the buffer goes and what it
    // changes there.
    QString BulkWriteQuestion(bool broadcast) const;

    QHash<QString, QLineEdit*> edits_;
    QHash<QString, QComboBox*> combos_;
    QHash<QString, QLabel*> labels_;
    QWidget* programWindow_ = nullptr;
};

} // namespace vrx
