// The Recorder window: its controls at design size, and handlers that move values between them
// and the acquisition engine, the chart and the record file.
#include "recorderwindow.h"

#include "csvexport.h"
#include "statswindow.h"

#include "chinesefont.h"
#include "colours.h"
#include "designform.h"
#include "dialogs.h"
#include "guard.h"
#include "scaling.h"
#include "taborder.h"
#include "textfile.h"
#include "workspace.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

namespace vrx {

namespace {

// Design layout: a toolbar, the column of controls at the left, the chart at the right.
constexpr int ChartX = 146;
constexpr int ChartY = 44;
// Down to the chart: the bar's own margin above the buttons leaves them no less.
constexpr int ToolBarHeight = ChartY;
constexpr int DeviceRowY = 100;
constexpr int DeviceRowHeight = 30;
constexpr int ViewDelayMs = 200;

QString BrokenText() {
    return QCoreApplication::translate("vrx::TVRW3", "File Broken or Data incorrect!");
}

QLabel* MakeCaption(QWidget* parent, const char* name, const char* text, const QRect& place) {
    auto* label = Make<QLabel>(parent, QString::fromLatin1(name), place, DesignFont(13, true));
    label->setText(QCoreApplication::translate("vrx::TVRW3", text));
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// An address box in white, or red for a device that dropped out, its digits readable on either.
void SetAddressColour(QSpinBox* box, const QColor& colour) {
    SetColours(box, QPalette::Base, colour, TextColourOn(colour));
}

} // namespace

TVRW3::TVRW3(TVRW1& protocol, LineOwner& line, QWidget* parent)
    : PortWindow(protocol, line, QString::fromLatin1(RecordEngine::LineTool), parent) {
    // FormCreate.
    setObjectName(QStringLiteral("VRW3"));
    setWindowTitle(tr("VRX Temperature Recoder Program"));
    resize(800, 560);
    setWindowState(Qt::WindowMaximized);

    Recorder = new Recording(line, this);
    Engine = &Recorder->Engine();
    connect(Recorder, &Recording::cycleRecorded, this,
            [this](const CycleReport& report) { Guarded([&] { CycleCompleted(report); }); });
    connect(Recorder, &Recording::fileFailed, this,
            [this](const QString& error) { Guarded([&] { FileFailed(error, true); }); });
    connect(Recorder, &Recording::fileReopened, this, GuardedSlot(this, &TVRW3::FileReopened));
    connect(Engine, &RecordEngine::devicesDropped, this,
            [this](const QList<int>& positions, bool stopped) {
                Guarded([&] { DevicesDropped(positions, stopped); });
            });
    connect(Engine, &RecordEngine::lineFailed, this, GuardedSlot(this, &TVRW3::LineFailed));
    connect(Engine, &RecordEngine::samplesMissed, this, GuardedSlot(this, &TVRW3::SamplesMissed));

    ViewDelay = new ClockTimer(this);
    ViewDelay->setObjectName(QStringLiteral("ViewDelay"));
    ViewDelay->setSingleShot(true);
    ViewDelay->setInterval(ViewDelayMs);
    connect(ViewDelay, &ClockTimer::timeout, this, GuardedSlot(this, &TVRW3::ViewDelayTimer));

    BuildToolBar();
    BuildColumn();
    BuildChart();
    ScaleForm(this);
    OrderTabsByPlace(this);
    Stats = new StatsForm(
        tr("Recorder statistics"),
        [this] {
            StatsForm::Rows rows;
            for (int p = 0; p < DevicePositions; ++p) {
                const int address = Traces[std::size_t(p)];
                if (address == 0 && Engine->Stats(p).requests == 0) continue;
                rows.push_back(
                    {tr("Device %1 (address %2)").arg(p + 1).arg(address), Engine->Stats(p)});
            }
            return rows;
        },
        this);
    AddToolActions(Stats);
    chart_ = std::make_unique<TrendChart>(ScreenWidth);
    ShowChart();
}

TVRW3::~TVRW3() {
    // Closing the program while recording still ends the file; there is no one left to tell
    // when that fails.
    if (RecordFileOpen()) Recorder->EndFile();
}

void TVRW3::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setGeometry(0, 0, 800, ToolBarHeight);
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(Scaled(32), Scaled(32)));
    const auto button = [this](const char* name, const QIcon& icon, const char* hint,
                               bool checkable, void (TVRW3::*handler)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(icon);
        b->setIconSize(QSize(Scaled(32), Scaled(32)));
        b->setFixedSize(Scaled(39), Scaled(38));
        b->setToolTip(tr(hint));
        b->setAutoRaise(true);
        b->setCheckable(checkable);
        connect(b, &QToolButton::clicked, this, GuardedSlot(this, handler));
        ToolBar1->addWidget(b);
        return b;
    };
    QStyle* s = style();
    RecBt = button("RecBt", QIcon(QStringLiteral(":/assets/icons/recorder.png")),
                   QT_TR_NOOP("Recorde Program"), true, &TVRW3::RecBtClick);
    DrawBt = button("DrawBt", s->standardIcon(QStyle::SP_FileDialogContentsView),
                    QT_TR_NOOP("Viewer"), true, &TVRW3::OpenBt3Click);
    SaveBt = button("SaveBt", s->standardIcon(QStyle::SP_DialogSaveButton),
                    QT_TR_NOOP("Save to File"), true, &TVRW3::SaveBtClick);
    ExportBt = button("ExportBt", s->standardIcon(QStyle::SP_FileDialogDetailedView),
                      QT_TR_NOOP("Export the record as CSV"), false, &TVRW3::ExportBtClick);
    ExportBt->setEnabled(false);
    ExitBt3 = button("ExitBt3", QIcon(QStringLiteral(":/assets/icons/exit.png")),
                     QT_TR_NOOP("Close and Exit"), false, &TVRW3::ExitBt3Click);
}

void TVRW3::ExportBtClick() {
    if (!Viewing || View.Path().isEmpty()) return;
    QString path =
        Dialogs::Current().SaveFileName(this, tr("Export as CSV"), tr("CSV files (*.csv *.CSV)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".csv");
    const QString problem = ExportRecordFile(View.Path(), path, {});
    Dialogs::Current().Message(this, tr("Message"),
                               problem.isEmpty() ? tr("Exported to %1").arg(path) : problem);
}

void TVRW3::BuildColumn() {
    BackGndP = Make<QFrame>(this, QStringLiteral("BackGndP"), {4, ChartY, 136, 50}, font());
    BackGndP->setFrameStyle(QFrame::Panel | QFrame::Raised);
    BackGndP->setAutoFillBackground(true);
    SetRunningColour(false);
    StartBt = Make<QPushButton>(BackGndP, QStringLiteral("StartBt"), {14, 8, 108, 34},
                                DesignFont(15, true));
    SetColours(StartBt, QPalette::Button, QColor(palette::White), QColor(palette::StartButtonBlue));
    SetStartCaption(tr("START"), tr("Start Record/View"));
    connect(StartBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW3::StartBtClick));

    SelPl = Make<QWidget>(this, QStringLiteral("SelPl"),
                          {124, DeviceRowY, 20, DevicePositions * DeviceRowHeight}, font());
    for (int p = 0; p < DevicePositions; ++p) {
        const int y = DeviceRowY + p * DeviceRowHeight;
        QLabel* panel = Make<QLabel>(this, QStringLiteral("Panel%1").arg(p + 1), {4, y, 64, 26},
                                     DesignFont(12, true));
        panel->setText(tr("Device %1").arg(p + 1));
        panel->setAlignment(Qt::AlignCenter);
        panel->setAutoFillBackground(true);
        const QColor colour = DeviceColors()[std::size_t(p)];
        SetColours(panel, QPalette::Window, colour, TextColourOn(colour));
        Panels[std::size_t(p)] = panel;

        QSpinBox* box = Make<QSpinBox>(this, QStringLiteral("ComAddr%1").arg(p + 1),
                                       {70, y, 52, 26}, DesignFont(13));
        box->setRange(0, 255);
        box->setValue(p == 0 ? 1 : 0);
        box->setProperty("Tag", p);
        // Typed or stepped: each digit typed takes effect at once, so START never polls an
        // address other than the one shown. The addresses are locked while recording, so
        // the first digit of a longer address is never asked.
        box->setAutoFillBackground(true);
        SetAddressColour(box, QColor(palette::AddressField));
        connect(box, &QSpinBox::valueChanged, this,
                [this, box] { Guarded([&] { ComAddrChange(box); }); });
        ComAddrs[std::size_t(p)] = box;

        QCheckBox* check = Make<QCheckBox>(SelPl, QStringLiteral("AddRbt%1").arg(p + 1),
                                           {2, p * DeviceRowHeight + 5, 18, 18}, font());
        check->setChecked(true);
        check->setProperty("Tag", p);
        check->setToolTip(tr("顯示/不顯示 紀錄%1資料").arg(p + 1));
        connect(check, &QCheckBox::clicked, this,
                [this, check] { Guarded([&] { AddRbt1Click(check); }); });
        AddRbts[std::size_t(p)] = check;
    }
    SelPl->hide();

    const int y = DeviceRowY + DevicePositions * DeviceRowHeight + 8;
    PSampleTime = MakeCaption(this, "PSampleTime", QT_TR_NOOP("Sample Time"), {4, y, 136, 22});
    SampleTime =
        Make<QSpinBox>(this, QStringLiteral("SampleTime"), {4, y + 26, 64, 26}, DesignFont(13));
    SampleTime->setRange(1, 120);
    SampleTime->setValue(1);
    SampleTime->findChild<QLineEdit*>()->setReadOnly(true);
    connect(SampleTime, &QSpinBox::valueChanged, this, GuardedSlot(this, &TVRW3::SampleTimeChange));
    SecPl = MakeCaption(this, "SecPl", QT_TR_NOOP("Sec."), {72, y + 26, 68, 26});
    PPropotion = MakeCaption(this, "PPropotion", QT_TR_NOOP("Proportion"), {4, y + 60, 136, 22});
    PRate = MakeCaption(this, "PRate", "1 : 10", {4, y + 86, 136, 26});
    // A value rather than a caption: navy on white.
    SetColours(PRate, QPalette::Window, QColor(palette::White), QColor(palette::NavyFieldText));
}

void TVRW3::BuildChart() {
    ResultT = Make<ChartView>(this, QStringLiteral("ResultT"), {ChartX, ChartY, 650, 450}, font());
    TrackBar1 =
        Make<QSlider>(this, QStringLiteral("TrackBar1"), {ChartX, ChartY + 452, 650, 24}, font());
    TrackBar1->setOrientation(Qt::Horizontal);
    TrackBar1->setRange(0, 600);
    TrackBar1->setToolTip(tr("觀看不同時間紀錄資料"));
    // Tool tips have one font for the whole program; it gains a family that draws these hints
    // and those of the device check boxes (Latin hints keep their look).
    QToolTip::setFont(WithChineseFamily(QToolTip::font()));
    TrackBar1->hide();
    connect(TrackBar1, &QSlider::valueChanged, this, GuardedSlot(this, &TVRW3::TrackBar1Change));
    TimeLabel = Make<QLabel>(this, QStringLiteral("TimeLabel"), {ChartX, ChartY + 480, 320, 22},
                             DesignFont(13, true));
    TimeLabel->setText(tr("Test Start Time"));
    GetLabel = Make<QLabel>(this, QStringLiteral("GetLabel"), {ChartX + 330, ChartY + 480, 320, 22},
                            DesignFont(13, true));
    GetLabel->setText(tr("Refrash Data Time"));
    WireChartTools();
}

// Showing and closing.

void TVRW3::resizeEvent(QResizeEvent* event) {
    PortWindow::resizeEvent(event);
    // The bar spans the window as it is shown: a maximized window's frame may leave it less
    // than the design's width.
    ToolBar1->resize(width(), ToolBar1->height());
}

void TVRW3::FormShow() {
    chart_ = std::make_unique<TrendChart>(ScreenWidth);
    ShowChart();
    SampleSeconds = 1;
    // The devices, interval and place of the last session; nothing is sent until START.
    for (int p = 0; p < DevicePositions; ++p) {
        QSpinBox* box = ComAddrs[std::size_t(p)];
        box->setValue(
            workspace::Value(QStringLiteral("recorder/address%1").arg(p + 1), box->value())
                .toInt());
    }
    workspace::RestorePlace(*this);
    if (OpenPort(tr("Comport not exist"))) EnterRecordMode();
    SampleTime->setValue(workspace::Value(QStringLiteral("recorder/interval"), 1).toInt());
}

void TVRW3::FormClose() {
    for (int p = 0; p < DevicePositions; ++p)
        workspace::SetValue(QStringLiteral("recorder/address%1").arg(p + 1),
                            ComAddrs[std::size_t(p)]->value());
    // The viewer's display interval is the file's business, not the next recording's.
    if (!DrawBt->isChecked())
        workspace::SetValue(QStringLiteral("recorder/interval"), SampleTime->value());
    workspace::SavePlace(*this);
    ClosePort();
    Recorder->Engine().StopClock();
    ViewDelay->stop();
    EndRecordFile();
}

bool TVRW3::Running() const {
    return DrawBt->isChecked() ? Viewing : Engine->Running();
}

void TVRW3::ExitBt3Click() {
    close();
}

// Modes.

void TVRW3::RecBtClick() {
    RecBt->setChecked(true);
    if (DrawBt->isChecked()) {
        EnterRecordMode();
        ClearChart();
    }
}

void TVRW3::EnterRecordMode() {
    // A failed open is said here; START tries the line again.
    if (!HoldsLine()) OpenPort(tr("Comport not exist"));
    EndRecordFile();
    SelPl->hide();
    SaveBt->setChecked(false);
    DrawBt->setChecked(false);
    DrawBt->setEnabled(true);
    RecBt->setChecked(true);
    RecBt->setEnabled(true);
    StartBt->setEnabled(true);
    FileUsed = false;
    SaveArmed = false;
    live_.Clear();
    SampleTime->setEnabled(true);
    SetSampleRange(1, 120, 1, 1);
    TrackBar1->hide();
    TimeLabel->setText(tr("Test Start Time : "));
    GetLabel->setText(tr("Refresh Data Time : "));
    TimeLabel->show();
    GetLabel->show();
    StopRecording();
    ResetAddressColors();
    ClearChart();
}

void TVRW3::EnterViewMode() {
    ClosePort();
    EndRecordFile();
    Recorder->Stop();
    ViewDelay->stop();
    SaveBt->setEnabled(false);
    StartBt->setEnabled(false);
    DrawBt->setEnabled(true);
    RecBt->setEnabled(true);
    RecBt->setChecked(false);
    DrawBt->setChecked(true);
    SaveArmed = false;
    Viewing = false;
    ViewCount = 0;
    live_.Clear();
    SampleTime->setEnabled(false);
    TrackBar1->hide();
    TimeLabel->hide();
    GetLabel->hide();
    ResetAddressColors();
    EnableAddresses(false);
    ClearChart();
}

void TVRW3::StartBtClick() {
    if (Running()) {
        if (RecBt->isChecked()) {
            StopRecording();
        } else {
            EndView();
        }
        return;
    }
    live_.Clear();
    SetRunningColour(true);
    if (RecBt->isChecked()) {
        Addresses addresses{};
        for (int p = 0; p < DevicePositions; ++p)
            addresses[std::size_t(p)] = ComAddrs[std::size_t(p)]->value();
        Traces = addresses;
        recorded_ = addresses;
        ResetAddressColors();
        if (std::all_of(addresses.begin(), addresses.end(), [](int a) { return a == 0; })) {
            SetRunningColour(false);
            return;
        }
        DrawBt->setEnabled(false);
        SaveBt->setEnabled(false);
        if (SaveArmed && !RecordFileOpen()) CreateRecordFile();
        TimeLabel->setText(tr("Test Start Time : ") + LongTimeText(QTime::currentTime()));
        SetStartCaption(tr("STOP"), tr("End of getting data"));
        SampleTime->setEnabled(false);
        EnableAddresses(false);
        ClearChart();
        // The Protocol window's settings as START finds them hold for the whole recording.
        Recorder->SetLineSettings(CurrentLineSettings());
        Recorder->Start(addresses, SampleTime->value());
        return;
    }
    if (DrawBt->isChecked()) {
        Viewing = true;
        RecBt->setEnabled(false);
        SampleTime->setEnabled(true);
        SetStartCaption(tr("END VIEW"), tr("End of display data"));
        RefreshView();
    }
}

void TVRW3::StopRecording() {
    // No tick while a box about the file's end is open.
    Recorder->Engine().StopClock();
    SaveBt->setEnabled(true);
    DrawBt->setEnabled(true);
    EndRecordFile();
    Recorder->Stop();
    SetRunningColour(false);
    SetStartCaption(tr("START"), tr("Start record/View"));
    SampleTime->setEnabled(true);
    EnableAddresses(true);
}

// Small operations over the controls.

void TVRW3::ResetAddressColors() {
    for (QSpinBox* box : ComAddrs)
        SetAddressColour(box, QColor(palette::AddressField));
}

void TVRW3::EnableAddresses(bool enabled) {
    for (QSpinBox* box : ComAddrs)
        box->setEnabled(enabled);
}

void TVRW3::ShowAddresses() {
    for (int p = 0; p < DevicePositions; ++p) {
        const QSignalBlocker quiet(ComAddrs[std::size_t(p)]);
        ComAddrs[std::size_t(p)]->setValue(Traces[std::size_t(p)]);
    }
}

void TVRW3::SetRunningColour(bool running) {
    const QColor colour(running ? palette::RecordingRed : palette::NotRecordingLime);
    SetColours(BackGndP, QPalette::Window, colour, TextColourOn(colour));
}

void TVRW3::SetStartCaption(const QString& caption, const QString& hint) {
    StartBt->setText(caption);
    StartBt->setToolTip(hint);
}

void TVRW3::SetSampleRange(int minimum, int maximum, int step, int value) {
    // Set by the program: not a change of the user's.
    const QSignalBlocker quiet(SampleTime);
    SampleTime->setRange(minimum, maximum);
    SampleTime->setSingleStep(step);
    SampleTime->setValue(value);
    SampleSeconds = SampleTime->value();
}

void TVRW3::ClearChart() {
    chart_->ClearChart();
    ShowChart();
}

void TVRW3::ShowChart() {
    ResultT->SetImage(&chart_->Image());
    PRate->setText(chart_->Rate());
}

void TVRW3::ComAddrChange(QSpinBox* box) {
    const int tag = box->property("Tag").toInt();
    if (tag < 0 || tag >= DevicePositions) return;
    Traces[std::size_t(tag)] = box->value();
    Recorder->Engine().SetDevice(tag, box->value());
    SetAddressColour(box, QColor(palette::AddressField));
}

void TVRW3::SampleTimeChange() {
    SampleSeconds = qBound(SampleTime->minimum(), SampleTime->value(), SampleTime->maximum());
    if (DrawBt->isChecked() && Viewing) {
        View.IntervalChanged = true;
        ScheduleRefresh();
    }
}

// Record mode.

void TVRW3::CycleCompleted(const CycleReport& report) {
    // The line is in the file by now (Recording wrote it).
    const QString at = LongTimeText(report.stamp.time());
    GetLabel->setText(tr("Refresh Data Time : ") + at);
    // The devices asked in this cycle: a device dropped in it is gone from its column.
    const UsedPositions used = Engine->Used();
    if (live_.Add(report.readings, used)) chart_->ClearChart();
    if (live_.Count() == 1) windowFirst_ = report.stamp;
    windowLast_ = report.stamp;
    if (live_.Count() == 1) {
        chart_->StartRecordWindow(live_.Samples(), used);
    } else {
        chart_->PlotNewSample(live_.Samples(), used, live_.Count(), at);
    }
    ShowChart();
}

void TVRW3::DevicesDropped(const QList<int>& positions, bool stopped) {
    for (const int p : positions) {
        Traces[std::size_t(p)] = 0;
        SetAddressColour(ComAddrs[std::size_t(p)], QColor(palette::DroppedAddressRed));
        dropped_ << DeviceName(p);
    }
    if (stopped) StopRecording();
    PostTold();
}

void TVRW3::SamplesMissed(int position) {
    Tell(tr("Message"), tr("%1 answers too slowly for the sample time: each sample missed is "
                           "recorded as ---.")
                            .arg(DeviceName(position)));
}

QString TVRW3::DeviceName(int position) const {
    // The box keeps the address of a dropped device; the engine's is 0 by then.
    return tr("Device %1 (address %2)")
        .arg(position + 1)
        .arg(ComAddrs[std::size_t(position)]->value());
}

void TVRW3::Tell(const QString& caption, const QString& text) {
    told_.append({caption, text});
    PostTold();
}

void TVRW3::PostTold() {
    if (tellPosted_ || telling_) return;
    tellPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { Guarded([this] { ShowTold(); }); }, Qt::QueuedConnection);
}

void TVRW3::ShowTold() {
    tellPosted_ = false;
    telling_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{telling_};
    // Each box waits for the one before: while one is open, what comes is gathered.
    while (!dropped_.isEmpty() || !told_.isEmpty()) {
        if (!dropped_.isEmpty()) {
            const QStringList names = std::exchange(dropped_, {});
            Dialogs::Current().Message(this, tr("Message"),
                                       tr("One of VRW device loss connection !") +
                                           QLatin1Char('\n') + names.join(QLatin1Char('\n')));
            continue;
        }
        const auto [caption, text] = told_.takeFirst();
        Dialogs::Current().Message(this, caption, text);
    }
}

void TVRW3::LineFailed(const QString& text) {
    StopRecording();
    ShowGeneralError(text);
}

// The record file.

void TVRW3::SaveBtClick() {
    if (SaveArmed) {
        SaveArmed = false;
        SaveBt->setChecked(false);
        return;
    }
    SaveBt->setChecked(false);
    QString name = Dialogs::Current().SaveFileName(
        this, tr("Save to File"), QCoreApplication::translate("vrx::TextFile", RecordFileFilter));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".txt");
    RecordFileName = name;
    if (QFileInfo::exists(name) &&
        !Dialogs::Current().Confirm(this, tr("Confirm"),
                                    tr("Over write : ") + QFileInfo(name).fileName()))
        return;
    SaveArmed = true;
    FileUsed = false;
    SaveBt->setChecked(true);
}

void TVRW3::CreateRecordFile() {
    if (FileUsed &&
        !Dialogs::Current().Confirm(this, tr("Confirm"),
                                    tr("Over write : ") + QFileInfo(RecordFileName).fileName())) {
        SaveArmed = false;
        SaveBt->setChecked(false);
        return;
    }
    if (!Recorder->CreateFile(RecordFileName, Traces, SampleSeconds)) {
        Recorder->AbandonFile();
        FileFailed(Recorder->File().ErrorText());
        return;
    }
    FileUsed = true;
}

void TVRW3::EndRecordFile() {
    if (!RecordFileOpen() || Recorder->EndFile()) return;
    Recorder->AbandonFile();
    FileFailed(Recorder->File().ErrorText());
}

void TVRW3::FileFailed(const QString& error, bool fromCycle) {
    // Said once: the file is closed and saving disarmed, so nothing tries it again unasked.
    SaveArmed = false;
    SaveBt->setChecked(false);
    const QString text = tr("Cannot write %1 : %2\nRecording goes on without the file.")
                             .arg(QFileInfo(RecordFileName).fileName(), error);
    if (fromCycle) {
        Tell(tr("Warning"), text);
    } else {
        Dialogs::Current().Message(this, tr("Warning"), text);
    }
}

void TVRW3::FileReopened() {
    // The lines written before went with the removed file; the user should know the file
    // now begins here. Told from an event of its own, so that the recording goes on meanwhile.
    Tell(tr("Warning"),
         tr("%1 was no longer there (removed or moved away).\nIt was made again and the "
            "recording goes on in it.")
             .arg(QFileInfo(RecordFileName).fileName()));
}

// View mode.

void TVRW3::OpenBt3Click() {
    DrawBt->setChecked(true);
    if (RecBt->isChecked()) {
        RecBt->setChecked(false);
        SaveBt->setEnabled(false);
        EnterViewMode();
    }
    if (Viewing) return;
    const QString name = Dialogs::Current().OpenFileName(
        this, tr("Viewer"), QCoreApplication::translate("vrx::TextFile", RecordFileFilter));
    if (name.isEmpty()) {
        StartBt->setEnabled(false);
        SelPl->hide();
        return;
    }
    if (const auto problem = PlainFileProblem(name)) {
        Dialogs::Current().Message(this, tr("Message"), *problem);
        StartBt->setEnabled(false);
        SelPl->hide();
        return;
    }
    LoadRecordFile(name);
}

void TVRW3::LoadRecordFile(const QString& path) {
    ViewCount = 0;
    SetRunningColour(true);
    SetStartCaption(tr("LOADING"), StartBt->toolTip());
    StartBt->repaint();
    if (!View.Load(path)) {
        Dialogs::Current().Message(
            this, tr("Message"), View.LoadProblem().isEmpty() ? BrokenText() : View.LoadProblem());
        Traces = {1, 0, 0, 0, 0, 0, 0, 0};
        SelPl->hide();
        EndView();
        ShowAddresses();
        return;
    }
    Traces = View.FileDeviceAddr();
    for (int p = 0; p < DevicePositions; ++p) {
        QCheckBox* check = AddRbts[std::size_t(p)];
        check->setChecked(true);
        check->setVisible(Traces[std::size_t(p)] != 0);
    }
    const int f = View.FileInterval();
    SetSampleRange(f, 120 - 120 % f, f, f);

    const int points = View.LoadedPoints();
    ViewCount = qMin(points, ViewPoints);
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(0);
    }
    TrackBar1->setVisible(points > ViewPoints);
    StartBt->setEnabled(true);
    SampleTime->setEnabled(true);
    RecBt->setEnabled(false);
    SelPl->show();
    Viewing = true;
    ExportBt->setEnabled(true);
    Zoomed = false;
    Spans.Open(path, View.Layout());
    RedrawView(0, ViewCount);
    SetStartCaption(tr("END VIEW"), tr("End of display data"));
    ShowAddresses();
}

void TVRW3::RedrawView(int start, int count) {
    const UsedPositions used = UsedOf(Traces);
    chart_->FindWindowRange(View.Samples, used, start, count);
    chart_->RedrawChart(View.Samples, used, start, count,
                        [this](int column) { return View.PointTimeText(column, SampleSeconds); });
    ShowChart();
}

void TVRW3::RefreshView() {
    ViewDelay->stop();
    // Leaving a zoomed span clears the whole chart: its scales' labels reach below the time
    // axis, where the track bar's window does not clear.
    if (Zoomed) chart_->ClearChart();
    Zoomed = false;
    const bool reading = View.IntervalChanged;
    if (reading) SetStartCaption(tr("LOADING"), StartBt->toolTip());
    const RecordView::Refresh r =
        View.RefreshView(TrackBar1->value(), TrackBar1->maximum(), SampleSeconds);
    ViewRefreshPending = false;
    if (r.trackPosition) {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(*r.trackPosition);
    }
    TrackBar1->setVisible(r.trackVisible);
    if (r.broken) {
        Dialogs::Current().Message(this, tr("Message"), BrokenText());
        EndView();
        return;
    }
    ViewCount = r.sampleCount;
    RedrawView(r.start, r.sampleCount);
    SetStartCaption(tr("END VIEW"), tr("End of display data"));
}

void TVRW3::ScheduleRefresh() {
    ViewDelay->stop();
    ViewRefreshPending = true;
    ViewDelay->start(ViewDelayMs);
}

void TVRW3::TrackBar1Change() {
    if (Viewing) ScheduleRefresh();
}

void TVRW3::ViewDelayTimer() {
    if (!Viewing) {
        ViewDelay->stop();
        return;
    }
    if (DrawBt->isChecked() && ViewRefreshPending) RefreshView();
}

void TVRW3::AddRbt1Click(QCheckBox* box) {
    if (!Viewing) return;
    const int tag = box->property("Tag").toInt();
    if (tag < 0 || tag >= DevicePositions) return;
    Traces[std::size_t(tag)] = box->isChecked() ? View.FileDeviceAddr()[std::size_t(tag)] : 0;
    if (Zoomed) {
        DrawSpanView();
        return;
    }
    RefreshView();
}

void TVRW3::EndView() {
    ExportBt->setEnabled(false);
    RecBt->setEnabled(true);
    ViewDelay->stop();
    TrackBar1->hide();
    SampleTime->setEnabled(false);
    Viewing = false;
    Zoomed = false;
    Spans.Close();
    ResultT->SetReadout({});
    SetRunningColour(false);
    SetStartCaption(tr("START"), tr("Start record/View"));
    ClearChart();
    EnableAddresses(true);
}

} // namespace vrx
