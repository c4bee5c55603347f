// The Ramp/soak editor window's handlers: the table and its editors, the curve, the transfers
// through the Monitor's engine, and the program files.
#include "programeditor.h"

#include "curveimage.h"
#include "dialogs.h"
#include "guard.h"
#include "programcurve.h"
#include "programfile.h"
#include "screenwidth.h"
#include "textfile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableWidget>

#include <algorithm>

namespace vrx {

namespace {

constexpr char ProgramFileFilter[] = QT_TRANSLATE_NOOP("vrx::TextFile", "Text files (*.txt *.TXT)");
constexpr int LongestHourIndex = 15;

// A value the program shows is not the user's choice: no change signal leaves the list, and a
// value beyond its items selects none.
void ShowItem(QComboBox* list, int item) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(item >= 0 && item < list->count() ? item : -1);
}

} // namespace

TVRX5::TVRX5(PollEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Transfer(engine),
      engine_(engine) {
    FormCreate();
    WireHandlers();
    // Write follows the selected station's permission to be written, as the Monitor's own
    // editing does.
    connect(&engine, &PollEngine::settingsDecoded, this, [this](const SettingsBlock& block) {
        if (block.commWrite) Guarded([this] { UpdateButtons(); });
    });
    connect(&engine, &PollEngine::selectionMoved, this,
            [this] { Guarded([this] { UpdateButtons(); }); });
    connect(&engine, &PollEngine::monitorReset, this, GuardedSlot(this, &TVRX5::UpdateButtons));
}

// ---- Window events ----

void TVRX5::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TVRX5::FormShow() {
    for (int r = 0; r < ProgTableRows; ++r)
        SetCell(r, 0, ProgTableRowTitle(r));
    for (int c = 1; c < ProgTableColumns; ++c)
        SetCell(0, c, ProgTableColumnTitle(c));
    EditBox->hide();
    ProgCurve->resize(ProgCurveSize(ScreenWidth));
    // A curve drawn while the window was closed is drawn again at the size it is shown at.
    if (programTaken_ && !ProgCurve->isHidden()) DrawCurve();
    if (const QScreen* shown = screen()) {
        QRect centred = frameGeometry();
        centred.moveCenter(shown->availableGeometry().center());
        move(centred.topLeft());
    }
    UpdateButtons();
}

void TVRX5::RetBtClick() {
    // The write runs on the Monitor's engine, not in this window: closing it stops nothing.
    if (Transfer.Writing())
        Dialogs::Current().Message(
            this, tr("Message"),
            tr("The program is still being written to the controller. The write goes on after "
               "the editor closes, and a message says when it has ended."));
    close();
}

bool TVRX5::eventFilter(QObject* watched, QEvent* event) {
    // The lists store their choice on Enter, as SPEdit does.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            (watched == MaxStep || watched == StepLink || watched == TimeHour)) {
            Guarded([this] { POKBtClick(); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- The table and its editors ----

void TVRX5::ProgTableClick(int row, int column) {
    if (SelectCell(row, column) && EditBox->isVisible()) FocusEditor(row);
}

bool TVRX5::SelectCell(int row, int column) {
    if (row < 1 || column < 1) {
        // The titles are not cells one edits: the selection stays where it was.
        const QSignalBlocker quiet(ProgTable);
        ProgTable->setCurrentCell(EditRow, EditCol);
        return false;
    }
    EditRow = row;
    EditCol = column;
    ShowEditorFor(row);
    // The editor shows the chosen cell's value, so that Enter never stores another cell's
    // value into it.
    if (EditBox->isVisible()) LoadEditor(row);
    return true;
}

void TVRX5::EditPBtClick() {
    EditBox->show();
    ShowEditorFor(EditRow);
    LoadEditor(EditRow);
    FocusEditor(EditRow);
    DrawCurve();
}

void TVRX5::ShowEditorFor(int row) {
    const ProgRow kind = ProgRowKind(row);
    const bool time = kind == ProgRow::Time;
    SPEdit->setVisible(kind == ProgRow::SetValue || kind == ProgRow::Loop);
    MaxStep->setVisible(kind == ProgRow::MaxStep);
    StepLink->setVisible(kind == ProgRow::Link);
    for (QWidget* w : {static_cast<QWidget*>(TimeHour), static_cast<QWidget*>(TimeHourLB),
                       static_cast<QWidget*>(TimeMin), static_cast<QWidget*>(TimeMinLb)})
        w->setVisible(time);
    StepLinkLb->setVisible(!time);
    switch (kind) {
    case ProgRow::MaxStep:
        StepLinkLb->setText(tr("Step Count"));
        break;
    case ProgRow::SetValue:
        StepLinkLb->setText(tr("Set Value"));
        break;
    case ProgRow::Loop:
        StepLinkLb->setText(tr("Loop Count"));
        break;
    case ProgRow::Link:
        StepLinkLb->setText(tr("Link Pattern"));
        break;
    case ProgRow::Time:
    case ProgRow::Title:
        break;
    }
}

void TVRX5::LoadEditor(int row) {
    const int p = EditCol - 1;
    if (p < 0 || p >= Patterns) return;
    const int s = ProgRowStep(row);
    switch (ProgRowKind(row)) {
    case ProgRow::MaxStep:
        ShowItem(MaxStep, Program.PatternMaxStep[std::size_t(p)]);
        break;
    case ProgRow::SetValue: {
        const QSignalBlocker quiet(SPEdit);
        SPEdit->setText(ProgTable->item(row, EditCol)->text());
        break;
    }
    case ProgRow::Time: {
        const TimeEditorValues values =
            TimeEditorFor(Program.PatternTime[std::size_t(p)][std::size_t(s)]);
        ShowItem(TimeHour, values.hourIndex);
        const QSignalBlocker quiet(TimeMin);
        TimeMin->setValue(values.minutes);
        TimeMin->setEnabled(values.hourIndex != LongestHourIndex);
        break;
    }
    case ProgRow::Loop: {
        const QSignalBlocker quiet(SPEdit);
        SPEdit->setText(QString::number(Program.PatternLoop[std::size_t(p)]));
        break;
    }
    case ProgRow::Link:
        ShowItem(StepLink, Program.PatternLink[std::size_t(p)]);
        break;
    case ProgRow::Title:
        break;
    }
}

void TVRX5::FocusEditor(int row) {
    switch (ProgRowKind(row)) {
    case ProgRow::MaxStep:
        MaxStep->setFocus();
        break;
    case ProgRow::SetValue:
    case ProgRow::Loop:
        SPEdit->setFocus();
        break;
    case ProgRow::Time:
        POKBt->setFocus();
        break;
    case ProgRow::Link:
        StepLink->setFocus();
        break;
    case ProgRow::Title:
        break;
    }
}

void TVRX5::POKBtClick() {
    const int p = EditCol - 1;
    if (p < 0 || p >= Patterns) return;
    const int s = ProgRowStep(EditRow);
    QString cell;
    switch (ProgRowKind(EditRow)) {
    case ProgRow::MaxStep:
        if (MaxStep->currentIndex() < 0) return; // nothing chosen
        cell = StoreMaxStep(Program, p, MaxStep->currentIndex());
        break;
    case ProgRow::SetValue: {
        const std::optional<QString> stored = StoreSetValue(Program, p, s, SPEdit->text());
        if (!stored) return; // refused: the cell keeps its value
        cell = *stored;
        break;
    }
    case ProgRow::Time:
        if (TimeHour->currentIndex() < 0) return;
        cell = StoreStepTime(Program, p, s, TimeHour->currentIndex(), TimeMin->value());
        break;
    case ProgRow::Loop:
        cell = StoreLoopCount(Program, p, SPEdit->text());
        break;
    case ProgRow::Link:
        if (StepLink->currentIndex() < 0) return;
        cell = StoreLink(Program, p, StepLink->currentIndex());
        break;
    case ProgRow::Title:
        return;
    }
    SetCell(EditRow, EditCol, cell);
    DrawCurve();
}

void TVRX5::TimeHourChange() {
    // Fifteen hours is the longest a step runs: it has no minutes.
    const bool longest = TimeHour->currentIndex() == LongestHourIndex;
    if (longest) {
        const QSignalBlocker quiet(TimeMin);
        TimeMin->setValue(0);
    }
    TimeMin->setEnabled(!longest);
    POKBtClick();
}

void TVRX5::TimeMinChange() {
    if (!TimeMin->text().isEmpty()) POKBtClick();
}

void TVRX5::ProgStartChange() {
    Program.StartPattern = ProgStart->currentIndex();
    DrawCurve();
}

void TVRX5::SetCell(int row, int column, const QString& text) {
    ProgTable->item(row, column)->setText(text);
}

void TVRX5::FillTable() {
    for (int r = 1; r < ProgTableRows; ++r)
        for (int c = 1; c < ProgTableColumns; ++c)
            SetCell(r, c, ProgTableCell(Program, r, c));
    // A start pattern outside the list selects none.
    ShowItem(ProgStart, Program.StartPattern);
}

void TVRX5::TakeProgram(const PatternProgram& program) {
    Program = program;
    programTaken_ = true;
    FillTable();
    // A program read from the controller or opened from a file is drawn at once: the curve is
    // how a user sees what the table holds.
    DrawCurve();
}

QString TVRX5::TemperatureUnit() const {
    // The lamps say in which unit the selected controller shows its values; the program's set
    // values are in the same one.
    const LampRow& lamps = engine_.Face(engine_.State().SelStation).lamps;
    if (lamps[std::size_t(Lamp::DegC)] != LampColour::Grey) return QStringLiteral("°C");
    if (lamps[std::size_t(Lamp::DegF)] != LampColour::Grey) return QStringLiteral("°F");
    return {};
}

void TVRX5::DrawCurve() {
    const ProgramCurve curve =
        DrawProgramCurve(Program, ProgCurve->size(), ProgCurve->Text(TemperatureUnit()));
    if (curve.drawn) {
        ProgCurve->SetCurve(curve);
        ProgCurve->show();
    } else if (!ProgCurve->isHidden()) {
        // Nothing to draw: an empty field rather than the profile of another program.
        ProgCurve->SetCurve(curve);
    }
}

// ---- Progress and buttons ----

void TVRX5::ShowProgress(const QString& caption) {
    UpLoadLabelP->setText(caption);
    UpLoadBarP->setValue(0);
    UpLoadLabelP->show();
    UpLoadBarP->show();
}

void TVRX5::HideProgress() {
    UpLoadBarP->setValue(0);
    UpLoadBarP->hide();
    UpLoadLabelP->hide();
}

void TVRX5::UpdateButtons() {
    const bool idle = !Transfer.Reading() && !Transfer.Writing() && !loadingFile_;
    const MonitorState& engine = engine_.State();
    const int st = engine.SelStation;
    const bool writable = st >= 1 && st <= PollEngine::Stations && engine.StationConnected[st] &&
                          engine.CommWriteEnabled[st];
    ReadSBt->setEnabled(idle);
    ReadFBt->setEnabled(idle);
    SaveFBt->setEnabled(idle && programTaken_);
    // Editing stays open while a read runs; the table the read brings replaces it at the end.
    EditPBt->setEnabled(programTaken_ && !loadingFile_);
    WrBt->setEnabled(idle && programTaken_ && writable);
}

// ---- Transfers ----

bool TVRX5::LineReady() {
    if (engine_.LineExchange().HoldsLine() && Transfer.ReadyStation() != 0) return true;
    Dialogs::Current().Message(this, tr("Message"),
                               tr("No station connected, Connect one in the Monitor first !"));
    return false;
}

void TVRX5::ReadSBtClick() {
    if (!LineReady() || !Transfer.StartRead()) return;
    ShowProgress(tr("Load"));
    UpdateButtons();
}

void TVRX5::ReadFinished(const PatternProgram& program) {
    HideProgress();
    TakeProgram(program);
    UpdateButtons();
}

void TVRX5::ReadStopped() {
    HideProgress();
    UpdateButtons();
    Dialogs::Current().Message(this, tr("Warning"),
                               tr("Read Setting not complete, the table is unchanged !"));
}

void TVRX5::WrBtClick() {
    if (const auto problem = ProgramRangeProblem(Program)) {
        Dialogs::Current().Message(this, tr("Warning"), *problem);
        return;
    }
    if (!LineReady() || !Transfer.StartWrite(Program)) return;
    ShowProgress(tr("Writing Now"));
    UpdateButtons();
}

void TVRX5::WriteEnded(const PatternWriteEnd& end) {
    HideProgress();
    UpdateButtons();
    // The gauge vanishing is easily missed, and says nothing of values the controller refused:
    // the user is told, whether the editor is open or not. A message box runs an event loop:
    // not from inside the engine's turn, which would hold up the polling, but after it.
    const QString caption = end.Whole() ? tr("Message") : tr("Warning");
    const QString text = PatternWriteEndText(end);
    QMetaObject::invokeMethod(
        this,
        [this, caption, text] {
            Guarded([&] { Dialogs::Current().Message(this, caption, text); });
        },
        Qt::QueuedConnection);
}

// ---- Program files ----

void TVRX5::SaveFBtClick() {
    QString name = Dialogs::Current().SaveFileName(
        this, tr("Save to ..."), QCoreApplication::translate("vrx::TextFile", ProgramFileFilter));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".txt");
    if (QFileInfo::exists(name) &&
        !Dialogs::Current().Confirm(this, tr("Confirm"),
                                    tr("Over write : ") + QFileInfo(name).fileName()))
        return;
    ShowProgress(QFileInfo(name).fileName());
    const ProgramFileSave saved = SaveProgramFile(name, Program);
    if (saved.ok) {
        UpLoadBarP->setValue(100);
        Dialogs::Current().Message(this, tr("Message"), saved.message);
    } else {
        ShowGeneralError(saved.message);
    }
    HideProgress();
}

void TVRX5::ReadFBtClick() {
    const QString name = Dialogs::Current().OpenFileName(
        this, tr("Read File"), QCoreApplication::translate("vrx::TextFile", ProgramFileFilter));
    if (name.isEmpty()) return;
    if (!QFileInfo::exists(name)) {
        Dialogs::Current().Message(this, tr("Message"),
                                   QCoreApplication::translate("vrx::TextFile", FileMissingText));
        return;
    }
    loadingFile_ = true;
    UpdateButtons();
    ShowProgress(QFileInfo(name).fileName());
    const ProgramFileLoad load = ReadProgramFile(name, Program);
    loadingFile_ = false;
    UpLoadBarP->setValue(std::min(load.tokens, ProgramValues) * 100 / ProgramValues);
    // A file that does not hold a whole program changes nothing, the buttons included.
    if (load.takesProgram) TakeProgram(load.program);
    UpdateButtons();
    switch (load.status) {
    case ProgramFileStatus::Loaded:
    case ProgramFileStatus::LengthError:
    case ProgramFileStatus::Missing:
        Dialogs::Current().Message(this, tr("Message"), load.message);
        break;
    case ProgramFileStatus::BadToken:
    case ProgramFileStatus::OutOfRange:
    case ProgramFileStatus::ReadFailed:
        ShowGeneralError(load.message);
        break;
    }
    HideProgress();
}

} // namespace vrx
