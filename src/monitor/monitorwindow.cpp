// The Monitor window's handlers: the line opened and closed with the window, the station buttons
// and pictures, and what the engine reports, shown in the controls.
#include "monitorwindow.h"

#include "colours.h"
#include "comsettings.h"
#include "dialogs.h"
#include "guard.h"
#include "screenwidth.h"
#include "shape.h"
#include "statswindow.h"
#include "workspace.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QStyledItemDelegate>

namespace vrx {

namespace {

QColor ColourOf(LampColour colour) {
    switch (colour) {
    case LampColour::Lime:
        return QColor(palette::LampLime);
    case LampColour::Red:
        return QColor(palette::LampRed);
    case LampColour::Yellow:
        return QColor(palette::LampYellow);
    case LampColour::Grey:
        break;
    }
    return QColor(palette::LampGrey);
}

// Fixed-height items in the drop-down lists, as the window sets them for the screen.
class ItemHeightDelegate final : public QStyledItemDelegate {
public:
    ItemHeightDelegate(int height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

// Values the program shows never count as the user's choice: no signal leaves the box, and an
// item beyond the list shows nothing rather than some other item.
void ShowItem(QComboBox* combo, int item) {
    if (!combo) return;
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(item >= 0 && item < combo->count() ? item : -1);
}

void ShowText(QLineEdit* edit, const QString& text) {
    if (!edit || edit->text() == text) return;
    const QSignalBlocker quiet(edit);
    edit->setText(text);
}

void SetVisible(std::initializer_list<QWidget*> widgets, bool visible) {
    for (QWidget* w : widgets)
        if (w) w->setVisible(visible);
}

} // namespace

TVRW2::TVRW2(TVRW1& protocol, LineOwner& line, QWidget* parent)
    : PortWindow(protocol, line, QString::fromLatin1(PollEngine::LineTool), parent), Engine(line) {
    FormCreate();
    WireEngine();
    WireFiles();
    WireEditing();
    WireViews();
    WireTools();
}

TVRW2::~TVRW2() = default;

void TVRW2::WireTools() {
    Stats = new StatsForm(
        tr("Monitor statistics"),
        [this] {
            StatsForm::Rows rows;
            for (int st = 1; st <= PollEngine::Stations; ++st)
                rows.push_back(
                    {tr("Station %1 (address %2)").arg(st).arg(Engine.State().StationAddr[st]),
                     Engine.Stats(st)});
            return rows;
        },
        this);
    AddToolActions(Stats);
}

void TVRW2::WireEngine() {
    // Ctrl+1 .. Ctrl+4 select a connected station, as a click on its face does.
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        auto* key = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + st)), this);
        key->setObjectName(QStringLiteral("SelectKey%1").arg(st));
        connect(key, &QShortcut::activated, this,
                [this, st] { Guarded([&] { Image1Click(Image[st]); }); });
    }
    PollEngine::PerStation<int> edited{};
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        edited[st] = ComAddr[st]->value();
        for (QPushButton* button : {RunBt[st], StopBt[st]})
            connect(button, &QPushButton::clicked, this,
                    [this, button] { Guarded([&] { RunStopBtClick(button); }); });
        QSpinBox* edit = ComAddr[st];
        connect(edit, &QSpinBox::valueChanged, this,
                [this, edit] { Guarded([&] { ComAddr1Change(edit); }); });
    }
    Engine.SetAddresses(edited);
    connect(ExitBt2, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::ExitBt2Click));
    connect(ProgBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::ProgBtClick));

    connect(&Engine, &PollEngine::faceChanged, this, GuardedSlot(this, &TVRW2::PaintStation));
    connect(&Engine, &PollEngine::selectionMoved, this, [this](int st, bool connected) {
        Guarded([&] {
            // The hidden controls belong to the controller they were opened on.
            SetHiddenShown(false);
            MoveSelection(st, connected);
            if (connected) ShowRefusalsOf(st);
        });
    });
    connect(&Engine, &PollEngine::selectedAddressChanged, this,
            [this] { Guarded([this] { SetHiddenShown(false); }); });
    connect(&Engine, &PollEngine::settingsReadEnded, this,
            GuardedSlot(this, &TVRW2::SettingsReadEnded));
    connect(&Engine, &PollEngine::lastStationGone, this,
            GuardedSlot(this, &TVRW2::LastStationGone));
    connect(&Engine, &PollEngine::stationDropped, this, [this](int st, int address) {
        refusals_[st] = {};
        // A grey lamp alone is easily missed: the user is told which controller went, once,
        // after the engine's turn.
        const QString text =
            tr("Station %1: address %2 does not answer. It is no longer polled; press Connect "
               "to try it again.")
                .arg(st)
                .arg(address);
        SayAfterTurn(tr("Message"), text);
    });
    connect(&Engine, &PollEngine::noControllerAnswers, this, [this] {
        // Not one station answering points at the line, not at each controller: one message
        // that says where to look, instead of one per station.
        SayAfterTurn(tr("Message"), tr("No controller answers on COM%1 at %2: check the line's "
                                       "speed, format and framing.")
                                        .arg(Line().Port().ComNumber())
                                        .arg(LineSettingsText(Line().Port().Settings())));
    });
    connect(&Engine, &PollEngine::lineFailed, this,
            [](const QString& text) { ShowGeneralError(text); });
    connect(&Engine, &PollEngine::settingsDecoded, this,
            [this](const SettingsBlock& block) { Guarded([&] { ShowSettings(block); }); });
    connect(&Engine, &PollEngine::errorReported, this,
            [this](const QString& text) { Guarded([&] { ShowError(text); }); });
    connect(&Engine, &PollEngine::countersChanged, this, GuardedSlot(this, &TVRW2::ShowCounters));
    connect(&Engine, &PollEngine::monitorReset, this, GuardedSlot(this, &TVRW2::ResetControls));
    connect(&Engine, &PollEngine::uploadProgress, UpLoadBar, &QProgressBar::setValue);
    connect(&Engine, &PollEngine::uploadFinished, this, GuardedSlot(this, &TVRW2::EndUpload));
    connect(&Engine, &PollEngine::bufferLoaded, this,
            GuardedSlot(this, &TVRW2::EnableBufferButtons));
    connect(&Engine, &PollEngine::opPanelEnabled, OpPanel, [this] { OpPanel->setEnabled(true); });
}

// ---- Window events ----

void TVRW2::FormShow() {
    Engine.ResetMonitor();
    SetPanelsShown(false);
    DebugMess->hide();
    ErrMess->hide();
    DrawIme->hide();
    const int itemHeight = ScreenWidth * 14 / DesignWidth;
    for (const char* name :
         {"CtrlSet", "RunStop", "HeatCool", "ComWrite", "AT", "OutputType1", "OutputType2",
          "DegUnit", "InputType", "ALM1Mode", "ALM2Mode", "ALM3Mode"}) {
        QComboBox* combo = Combo(QString::fromLatin1(name));
        QAbstractItemDelegate* old = combo->itemDelegate();
        combo->setItemDelegate(new ItemHeightDelegate(itemHeight, combo));
        if (old && old->parent() == combo) old->deleteLater();
    }
    for (int st = PollEngine::Stations; st >= 1; --st)
        Engine.ClearStation(st);
    RestoreWorkspace();
    // The settings never change under an open line: the engine frames with the ones it opens.
    Engine.SetLineSettings(CurrentLineSettings());
    OpenPort(tr("Com port not exist"));
}

void TVRW2::RestoreWorkspace() {
    // The addresses and place of the last session. The stations connected then are shown by
    // their Connect buttons; nothing is sent to a controller until the user presses one.
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        ComAddr[st]->setValue(
            workspace::Value(QStringLiteral("monitor/address%1").arg(st), ComAddr[st]->value())
                .toInt());
        const bool wasConnected =
            workspace::Value(QStringLiteral("monitor/connected%1").arg(st), false).toBool();
        QFont font = RunBt[st]->font();
        font.setUnderline(wasConnected);
        RunBt[st]->setFont(font);
        RunBt[st]->setToolTip(wasConnected ? tr("Connected when the Monitor was last closed")
                                           : QString());
    }
    workspace::RestorePlace(*this);
}

void TVRW2::FormClose() {
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        workspace::SetValue(QStringLiteral("monitor/address%1").arg(st), ComAddr[st]->value());
        workspace::SetValue(QStringLiteral("monitor/connected%1").arg(st),
                            Engine.State().StationConnected[st]);
    }
    workspace::SavePlace(*this);
    Engine.WindowClosed();
    ClosePort();
}

void TVRW2::ExitBt2Click() {
    if (programWindow_) programWindow_->close();
    close();
}

void TVRW2::ProgBtClick() {
    if (!programWindow_) return;
    programWindow_->show();
    programWindow_->raise();
    programWindow_->activateWindow();
}

bool TVRW2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int st = 1; st <= PollEngine::Stations; ++st)
            if (watched == Image[st]) Guarded([&] { Image1Click(Image[st]); });
    }
    return PortWindow::eventFilter(watched, event);
}

// ---- Station handlers ----

void TVRW2::RunStopBtClick(QObject* sender) {
    const int tag = sender->property("Tag").toInt();
    if (tag >= 1 && tag <= PollEngine::Stations) {
        Engine.SetRunLed(tag, LampColour::Lime);
        Engine.ConnectStation(tag);
    } else if (tag > PollEngine::Stations && tag <= 2 * PollEngine::Stations) {
        // Connected again, the station starts with no refusal of the last time shown.
        refusals_[tag - PollEngine::Stations] = {};
        Engine.CancelStation(tag - PollEngine::Stations);
    }
}

void TVRW2::ComAddr1Change(QSpinBox* edit) {
    Engine.AddressEdited(edit->property("Tag").toInt(), edit->value());
}

void TVRW2::Image1Click(QWidget* image) {
    const int st = image->property("Tag").toInt();
    const MonitorState& state = Engine.State();
    if (state.StationActive[st] && st != state.SelStation) Engine.SelectStation(st);
}

// ---- What the engine reports ----

void TVRW2::PaintStation(int st) {
    const StationFace& face = Engine.Face(st);
    ShowText(EditP[st], face.pvText);
    // Status texts are longer than numbers: a smaller font keeps them in the window.
    const int pixels = ScreenWidth * (face.pvIsStatus ? 16 : 24) / DesignWidth;
    if (EditP[st]->font().pixelSize() != pixels) {
        QFont font = EditP[st]->font();
        font.setPixelSize(pixels);
        EditP[st]->setFont(font);
    }
    ShowText(EditS[st], face.svText);
    for (int lamp = 0; lamp < LampCount; ++lamp)
        Lamps[std::size_t(lamp)][st]->SetBrushColor(ColourOf(face.lamps[std::size_t(lamp)]));
    RunLED[st]->SetBrushColor(ColourOf(face.runLed));
    OutQty1[st]->setValue(qBound(0, face.out1, OutQty1[st]->maximum()));
    OutQty2[st]->setValue(qBound(0, face.out2, OutQty2[st]->maximum()));
}

void TVRW2::MoveSelection(int st, bool connected) {
    SelPanel->SetPenColor(
        QColor(connected ? palette::SelectionRingLime : palette::SelectionRingSilver));
    SelPanel->move(Image[st]->x() - Scaled(10), SelPanel->y());
}

void TVRW2::ShowSettings(const SettingsBlock& block) {
    for (const BoxValue& value : block.values) {
        if (value.isItem) {
            ShowItem(Combo(value.box), value.item);
        } else {
            ShowText(Edit(value.box), value.text);
        }
    }
    if (block.firmwareCaption)
        FWVersion->setText(
            FirmwareCaption(FwCaption, Engine.State().FirmwareWord[Engine.State().SelStation]));
    if (block.integralShown) {
        SetVisible({labels_.value("SUMOFSLB"), Edit("SumOffs")}, *block.integralShown);
        SetVisible({labels_.value("PDOFSLB"), Edit("PDOffs")}, !*block.integralShown);
    }
    if (block.commWrite) SetEditEnabled(*block.commWrite);
    if (block.inputType) {
        // Linear inputs have no temperature unit.
        if (*block.inputType >= FirstLinearInput) {
            Combo("DegUnit")->setEnabled(false);
        } else if (Combo("InputType")->isEnabled()) {
            Combo("DegUnit")->setEnabled(true);
        }
    }
    if (block.controlMethod) {
        ProgBt->setEnabled(*block.controlMethod == 3);
        if (!TrendView) SwitchControlGroup(*block.controlMethod);
    }
    if (block.heatCool) ShowAlarm3(Alarm3Shown(*block.heatCool));
}

void TVRW2::SwitchControlGroup(int controlMethod) {
    QWidget* setValue = Edit("SetV");
    QWidget* programDisplay = Combo("ProgDisp");
    QWidget* at = Combo("AT");
    ControlGroups shown;
    shown.pid = !PIDBox->isHidden();
    shown.onOff = !OnOffBox->isHidden();
    shown.manual = !ManuBox->isHidden();
    shown.setValue = !setValue->isHidden();
    shown.programDisplay = !programDisplay->isHidden();
    shown.autoTuning = !at->isHidden();
    if (ControlGroupsMatch(controlMethod, shown)) return;
    const ControlGroups wanted = ControlGroupsFor(controlMethod);
    // The method's group box appears with the other panels when they are not shown yet.
    if (PanelsShown) {
        PIDBox->setVisible(wanted.pid);
        OnOffBox->setVisible(wanted.onOff);
        ManuBox->setVisible(wanted.manual);
    }
    if (wanted.programDisplay) ShowItem(Combo("ProgDisp"), Engine.State().ProgDisplayMode);
    setValue->setVisible(wanted.setValue);
    programDisplay->setVisible(wanted.programDisplay);
    SetVisible({labels_.value("ATLB"), at}, wanted.autoTuning);
}

void TVRW2::ShowAlarm3(bool shown) {
    SetVisible({labels_.value("ALM3MLB"), Combo("ALM3Mode"), labels_.value("UP3LLB"),
                Edit("UpLimit3"), labels_.value("DN3LLB"), Edit("DnLimit3")},
               shown);
    for (int st = 1; st <= PollEngine::Stations; ++st)
        SetVisible({OutLB2[st], OutQty2[st]}, !shown);
}

void TVRW2::SetEditEnabled(bool enabled) {
    QComboBox* runStop = Combo("RunStop");
    if (runStop->isEnabled() == enabled) return;
    for (QWidget* w : std::initializer_list<QWidget*>{Combo("AT"),
                                                      Combo("CtrlSet"),
                                                      Combo("HeatCool"),
                                                      runStop,
                                                      TempBox,
                                                      Combo("InputType"),
                                                      Combo("Pointer"),
                                                      Combo("DegUnit"),
                                                      ManuBox,
                                                      OnOffBox,
                                                      PIDBox,
                                                      AlmBox,
                                                      Combo("ALM1Mode"),
                                                      Combo("ALM2Mode"),
                                                      Combo("ALM3Mode"),
                                                      Combo("SALMode"),
                                                      AdjustBox,
                                                      FWVersion,
                                                      LoadBt,
                                                      Combo("LockStatus")})
        w->setEnabled(enabled);
    ClosePasswordBox(false);
    if (!TrendView && Engine.State().ConnectedCount > 0 && PanelsShown) FWVersion->show();
    if (!enabled) SetHiddenShown(false);
    WriteBt->setEnabled(enabled && Engine.State().BufferLoaded);
}

void TVRW2::ShowError(const QString& text) {
    ErrMess->setText(text);
    const QColor red(palette::StatusErrorRed);
    SetColours(ErrMess, QPalette::Window, red, TextColourOn(red));
}

void TVRW2::ShowCounters(int st) {
    DoCnt[st]->setText(QString::number(Engine.State().RequestCount[st]));
    ErrCnt[st]->setText(QString::number(Engine.State().ErrorCount[st]));
    // The lamp tells how the station answers, without the hidden mode.
    RunLED[st]->setToolTip(Engine.Stats(st).Tooltip());
}

void TVRW2::ShowPanels(bool shown) {
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        SetVisible({OutQty1[st], OutLB1[st]}, shown);
        if (!shown) SetVisible({OutQty2[st], OutLB2[st]}, false);
    }
    if (shown) {
        SetVisible({CtrlBox, TempBox}, true);
        SetVisible({ManuBox, OnOffBox, PIDBox}, false);
        switch (Combo("CtrlSet")->currentIndex()) {
        case 0:
        case 3:
            PIDBox->show();
            break;
        case 1:
            OnOffBox->show();
            break;
        case 2:
            ManuBox->show();
            break;
        default:
            break;
        }
        SetVisible({ProgBt, FWVersion, AlmBox, AdjustBox, DrawBt, OpPanel}, true);
        return;
    }
    SetVisible({UpLoadLabel, UpLoadBar, DrawBt, OpPanel, PassLB, PassEdit}, false);
    PassEdit->clear();
    SetVisible({CtrlBox, TempBox, PIDBox, OnOffBox, ManuBox, ProgBt, FWVersion, AlmBox, AdjustBox},
               false);
}

void TVRW2::ShowHiddenControls(bool shown) {
    SetVisible({labels_.value("RTDGainLB"),
                Edit("RTDGain"),
                labels_.value("RTDOfsLB"),
                Edit("RTDOfs"),
                labels_.value("ColdLB"),
                Edit("ColdOfs"),
                labels_.value("TCOfsLB"),
                Edit("TCOfs"),
                labels_.value("TCGainLB"),
                Edit("TCGain"),
                labels_.value("mVOfsLB"),
                Edit("mVOfs"),
                labels_.value("mVGainLB"),
                Edit("mVGain"),
                ClearBt1,
                ClearBt2,
                Combo("OutputType1"),
                labels_.value("OutType1LB"),
                Combo("OutputType2"),
                labels_.value("OutType2LB")},
               shown);
    if (shown) return;
    // The firmware panel comes back in the place of the password box.
    ClosePasswordBox();
    PassEdit->clear();
}

void TVRW2::ClosePasswordBox(bool showFirmware) {
    // The focus goes back where it was before the box opened, not to whichever box is next:
    // the keys typed after it must not land in a parameter box and write it.
    if (PassEdit->hasFocus()) {
        QWidget* back = passFocusReturn_;
        if (back && back != PassEdit && back->isVisible() && back->isEnabled()) {
            back->setFocus();
        } else {
            setFocus();
        }
    }
    SetVisible({PassLB, PassEdit}, false);
    if (showFirmware) FWVersion->show();
}

void TVRW2::SayAfterTurn(const QString& caption, const QString& text) {
    // A message box runs an event loop: not from inside the engine's turn, but after it.
    QMetaObject::invokeMethod(
        this,
        [this, caption, text] {
            Guarded([&] { Dialogs::Current().Message(this, caption, text); });
        },
        Qt::QueuedConnection);
}

void TVRW2::SetPanelsShown(bool shown) {
    if (!shown) SetHiddenShown(false);
    PanelsShown = shown;
    ShowPanels(shown);
}

void TVRW2::SetHiddenShown(bool shown) {
    if (shown == HiddenShown) return;
    HiddenShown = shown;
    if (!shown) HiddenMode = false;
    ShowHiddenControls(shown);
}

void TVRW2::SettingsReadEnded(bool first) {
    // The panels appear with the first whole settings read of a connection; the hidden
    // controls once the access code has been given and a whole cycle has filled them.
    if (first && !PanelsShown) SetPanelsShown(true);
    if (HiddenMode && !HiddenShown) SetHiddenShown(true);
}

void TVRW2::LastStationGone() {
    if (TrendView) {
        TrendView = false;
        LeaveTrendView();
    }
    SetPanelsShown(false);
}

void TVRW2::ResetControls() {
    PanelsShown = HiddenMode = HiddenShown = TrendView = TenthsScale = false;
    refusals_ = {};
    SaveBt->setEnabled(false);
    WrAllBt->setEnabled(false);
    Combo("RunStop")->setEnabled(true);
    SetEditEnabled(false);
    DrawBt->setText(tr("View Record"));
}

void TVRW2::LeaveTrendView() {
    TrendZoomed = false;
    DrawIme->SetReadout({});
    DrawIme->hide();
    DrawBt->setText(tr("View Record"));
}

void TVRW2::EndUpload() {
    UpLoadBar->setValue(0);
    UpLoadBar->hide();
    UpLoadLabel->hide();
}

void TVRW2::EnableBufferButtons() {
    SaveBt->setEnabled(true);
    WriteBt->setEnabled(Engine.State().CommWriteEnabled[Engine.State().SelStation]);
    WrAllBt->setEnabled(true);
}

} // namespace vrx
