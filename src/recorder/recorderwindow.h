// TVRW3, the Recorder window: samples up to eight controllers and charts their process values,
// saves recordings to record files and views them again.
#pragma once

#include "portwindow.h"
#include "recordfile.h"
#include "recording.h"
#include "recordview.h"
#include "trendchart.h"

#include <QDateTime>

#include <array>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolBar;
class QToolButton;

namespace vrx {

class StatsForm;

class TVRW3 : public PortWindow {
    Q_OBJECT
public:
    TVRW3(TVRW1& protocol, LineOwner& line, QWidget* parent = nullptr);
    ~TVRW3() override;

    void FormShow() override;
    void FormClose() override;

    // Handlers.
    void ExitBt3Click();
    void ExportBtClick();
    void RecBtClick();
    void OpenBt3Click();
    void SaveBtClick();
    void StartBtClick();
    void ComAddrChange(QSpinBox* box);
    void SampleTimeChange();
    void TrackBar1Change();
    void AddRbt1Click(QCheckBox* box);
    void ViewDelayTimer();

    // Controls, by their design names.
    QToolBar* ToolBar1 = nullptr;
    QToolButton* RecBt = nullptr;
    QToolButton* DrawBt = nullptr;
    QToolButton* SaveBt = nullptr;
    QToolButton* ExitBt3 = nullptr;
    // The record being viewed, as CSV for spreadsheets; enabled while viewing.
    QToolButton* ExportBt = nullptr;
    // The devices' statistics, from the context menu ("Statistics...", Ctrl+I).
    StatsForm* Stats = nullptr;
    QFrame* BackGndP = nullptr;
    QPushButton* StartBt = nullptr;
    std::array<QLabel*, DevicePositions> Panels{};     // Panel1 .. Panel8
    std::array<QSpinBox*, DevicePositions> ComAddrs{}; // ComAddr1 .. ComAddr8
    QWidget* SelPl = nullptr;
    std::array<QCheckBox*, DevicePositions> AddRbts{}; // AddRbt1 .. AddRbt8
    QLabel* PSampleTime = nullptr;
    QSpinBox* SampleTime = nullptr;
    QLabel* SecPl = nullptr;
    QLabel* PPropotion = nullptr;
    QLabel* PRate = nullptr;
    ChartView* ResultT = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* TimeLabel = nullptr;
    QLabel* GetLabel = nullptr;
    // The recording: its engine, the record file it saves to.
    Recording* Recorder = nullptr;
    // The recording's engine, to read; its Timer1 is the sample clock.
    const RecordEngine* Engine = nullptr;
    // View mode's refresh delay: the view follows the track bar 200 ms after its last move.
    ClockTimer* ViewDelay = nullptr;

    // Window state.
    int SampleSeconds = 1;
    bool Viewing = false; // a viewing is in progress (Running, in View mode)
    int ViewCount = 0;    // points shown in View mode
    bool ViewRefreshPending = false;
    // View mode's chart tools: the span shown once the user zoomed or moved the chart (in lines
    // of the record); not Zoomed, the chart shows the window the track bar places.
    bool Zoomed = false;
    ChartSpan Span;
    RecordSpans Spans;
    ChartMouse* ChartTools = nullptr;
    // The devices the window stands for: the recording's (a dropped one 0) or, in View mode,
    // the traces shown.
    Addresses Traces{1, 0, 0, 0, 0, 0, 0, 0};
    // Record file state.
    bool SaveArmed = false;
    bool FileUsed = false;
    QString RecordFileName;
    RecordView View;

    // The chart as drawn now.
    const TrendChart& Chart() const { return *chart_; }
    // What a saved chart says below it: each device drawn, in its colour, and the time shown;
    // empty when the chart shows no samples.
    ChartLegend SavedChartLegend();
    bool Running() const;
    bool RecordFileOpen() const { return Recorder->File().IsOpen(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildToolBar();
    void BuildColumn();
    void BuildChart();

    void EnterRecordMode();
    void EnterViewMode();
    void StopRecording();
    void ResetAddressColors();
    void EnableAddresses(bool enabled);
    void ShowAddresses();
    void SetRunningColour(bool running);
    void SetStartCaption(const QString& caption, const QString& hint);
    void SetSampleRange(int minimum, int maximum, int step, int value);
    void ClearChart();
    void ShowChart();

    // Record mode, as the engine reports.
    void CycleCompleted(const CycleReport& report);
    void DevicesDropped(const QList<int>& positions, bool stopped);
    void SamplesMissed(int position);
    void LineFailed(const QString& text);
    // "Device 3 (address 9)".
    QString DeviceName(int position) const;
    // A message about the recording, shown from an event of its own: the engine reports from
    // inside the line's notification, where a modal box would hold every reply after it, and
    // with them the recording, until it is closed. One box at a time; devices dropped while
    // one is open are named together in the next.
    void Tell(const QString& caption, const QString& text);
    void PostTold();
    void ShowTold();

    // The record file.
    void CreateRecordFile();
    void EndRecordFile();
    // The file was closed on `error`: saving is disarmed and the user told (a cycle's failure
    // from an event of its own).
    void FileFailed(const QString& error, bool fromCycle = false);
    void FileReopened();

    // View mode.
    void LoadRecordFile(const QString& path);
    void RefreshView();
    void RedrawView(int start, int count);
    void EndView();
    void ScheduleRefresh();

    // View mode's chart tools.
    void WireChartTools();
    void ZoomChart(QPoint at, double steps);
    void PanChart(int dx);
    void ShowCursor(QPoint at);
    void ShowColumn(int x);
    void ResetZoom();
    // Shows a span of the record: the chart is zoomed from now on.
    void ShowSpan(const ChartSpan& span);
    // Where the span or the track bar's window lies across the plot.
    SpanPlace Place() const;
    void DrawSpanView();
    // The zoomed span as last drawn: the cursor reads a column's extremes from it.
    SpanPicture span_;

    std::unique_ptr<TrendChart> chart_;
    // The recorded window the chart draws, the devices the recording began with, and when its
    // first and its newest sample were taken.
    RecordedWindow live_;
    Addresses recorded_{};
    QDateTime windowFirst_;
    QDateTime windowLast_;
    // Messages waiting for their box, and the devices dropped since the last drop message.
    QList<std::pair<QString, QString>> told_;
    QStringList dropped_;
    bool tellPosted_ = false;
    bool telling_ = false;
};

} // namespace vrx
