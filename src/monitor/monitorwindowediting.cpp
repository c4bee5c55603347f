// The Monitor window's editing handlers: typed values and chosen items composed into writes for
// the selected controller, the two commands, the password box with the hidden mode and the trace
// row, and the trace row's counters.
#include "colours.h"
#include "dialogs.h"
#include "guard.h"
#include "monitorwindow.h"
#include "parameteredit.h"
#include "registers.h"
#include "shape.h"

#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vrx {

namespace {

// Hands the user's key presses, clicks and double clicks on the editing controls to their
// handlers. It only listens: every event goes on to its control.
class EditingEvents final : public QObject {
public:
    explicit EditingEvents(TVRW2& form) : QObject(&form), form_(form) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (watched == form_.PassEdit) {
                // Escape closes the password box, as a click on its caption does.
                if (static_cast<const QKeyEvent&>(*event).key() != Qt::Key_Escape) break;
                Guarded([&] { form_.PassLBClick(); });
                return true;
            }
            if (auto* edit = qobject_cast<QLineEdit*>(watched))
                KeyPress(edit, static_cast<const QKeyEvent&>(*event));
            break;
        case QEvent::MouseButtonPress:
            if (watched == form_.PassLB) Guarded([&] { form_.PassLBClick(); });
            for (Shape* circle : form_.ErrClearBt)
                if (circle && watched == circle)
                    Guarded([&] { form_.ErrClearBt1MouseDown(circle); });
            break;
        case QEvent::MouseButtonDblClick:
            // A disabled panel sees the event here before Qt drops it.
            if (watched == form_.FWVersion && form_.FWVersion->isEnabled())
                Guarded([&] { form_.FWVersionDblClick(); });
            break;
        default:
            break;
        }
        return false;
    }

private:
    void KeyPress(QLineEdit* edit, const QKeyEvent& key) {
        const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
        // Keys that type nothing (arrows, shift) are no key press of the box.
        if (!enter && key.text().isEmpty()) return;
        const QChar typed = enter ? QChar(u'\r') : key.text().front();
        Guarded([&] { form_.OnKeyPress(edit, typed); });
    }

    TVRW2& form_;
};

} // namespace

void TVRW2::WireEditing() {
    connect(&Engine, &PollEngine::writeRefused, this,
            [this](const QByteArray& frame, const QString& reason) {
                Guarded([&] { WriteRefused(frame, reason); });
            });
    auto* events = new EditingEvents(*this);
    for (const EditBoxInfo& info : EditBoxes())
        Edit(QString::fromLatin1(info.name))->installEventFilter(events);
    for (const ComboBoxInfo& info : ComboBoxes()) {
        QComboBox* combo = Combo(QString::fromLatin1(info.name));
        // activated: the user's choice only, never an item the program shows.
        connect(combo, &QComboBox::activated, this,
                [this, combo] { Guarded([&] { CtrlSetSelect(combo); }); });
    }
    for (QPushButton* button : {ClearBt1, ClearBt2})
        connect(button, &QPushButton::clicked, this,
                [this, button] { Guarded([&] { ClearBt1Click(button); }); });
    for (int st = 1; st <= PollEngine::Stations; ++st)
        ErrClearBt[st]->installEventFilter(events);
    FWVersion->installEventFilter(events);
    PassLB->installEventFilter(events);
    PassEdit->installEventFilter(events);
    connect(PassEdit, &QLineEdit::textChanged, this, GuardedSlot(this, &TVRW2::PassEditChange));
}

void TVRW2::OnKeyPress(QLineEdit* edit, QChar key) {
    const EditBoxInfo* box = FindEditBox(edit->objectName());
    if (!box) return;
    // Every key press decides the unlock anew: a protected box asks for the key at once, any
    // other box withdraws a key not sent yet.
    Engine.DecideUnlock(box->unlockFirst);
    TenthsScale = box->tenths;
    const MonitorState& state = Engine.State();
    // A new edit of the box takes back what was said of the last one.
    MarkRefused(edit, {});
    if (refusals_[state.SelStation].edit == edit) refusals_[state.SelStation] = {};
    if (key != u'\r') return;
    const std::optional<QByteArray> frame = EditBoxWrite(
        state.StationAddr[state.SelStation], *box, edit->text(), EditDecimals(*box, TenthsScale));
    // Not a number, or one the register cannot hold: nothing is sent, and the box says why
    // until its next edit.
    if (!frame) {
        MarkRefused(
            edit,
            tr("'%1' is not a value this setting can take: nothing was sent.").arg(edit->text()));
        return;
    }
    Engine.QueueWrite(*frame, false);
    writeEdit_ = edit;
    writeFrame_ = *frame;
    writeText_ = edit->text();
    writeStation_ = state.SelStation;
}

void TVRW2::MarkRefused(QLineEdit* edit, const QString& reason) {
    if (!edit) return;
    const bool refused = !reason.isEmpty();
    if (refused == edit->property("refused").toBool() && edit->toolTip() == reason) return;
    edit->setProperty("refused", refused);
    // A red frame, and the reason where the pointer rests.
    edit->setStyleSheet(refused ? QStringLiteral("QLineEdit { border: 2px solid red; }")
                                : QString());
    edit->setToolTip(reason);
}

void TVRW2::WriteRefused(const QByteArray& frame, const QString& reason) {
    if (!writeEdit_ || frame != writeFrame_) return;
    // The box shows the controller's value again once it is read back; the refusal stays
    // marked beside it, and comes back with its station when that is selected again.
    Refusal& refusal = refusals_[writeStation_];
    refusal = {writeEdit_, tr("The controller refused %1: %2").arg(writeText_, reason.trimmed())};
    if (writeStation_ == Engine.State().SelStation) MarkRefused(refusal.edit, refusal.reason);
}

void TVRW2::ShowRefusalsOf(int st) {
    // A value typed wrong was typed for the station selected then: it goes with the selection.
    for (const EditBoxInfo& info : EditBoxes()) {
        QLineEdit* edit = Edit(QString::fromLatin1(info.name));
        if (edit != refusals_[st].edit) MarkRefused(edit, {});
    }
    MarkRefused(refusals_[st].edit, refusals_[st].reason);
}

void TVRW2::CtrlSetSelect(QComboBox* combo) {
    const ComboBoxInfo* box = FindComboBox(combo->objectName());
    if (!box || combo->currentIndex() < 0) return;
    const MonitorState& state = Engine.State();
    Engine.QueueWrite(
        ComboBoxWrite(state.StationAddr[state.SelStation], *box, combo->currentIndex()),
        box->unlockFirst);
}

void TVRW2::ClearBt1Click(QObject* sender) {
    if (!Dialogs::Current().Confirm(this, tr("Confirm"), tr("Will clear setting, Execute anyway?")))
        return;
    const int command = sender == ClearBt1 ? reg::RestoreDefaults : reg::ClearPvAdjust;
    const MonitorState& state = Engine.State();
    Engine.QueueWrite(CommandWrite(state.StationAddr[state.SelStation], command), true);
}

void TVRW2::ErrClearBt1MouseDown(QWidget* sender) {
    const int st = sender->property("Tag").toInt();
    if (st < 1 || st > PollEngine::Stations) return;
    Engine.ResetCounters(st);
    for (int other = 1; other <= PollEngine::Stations; ++other)
        if (Engine.State().ErrorCount[other] != 0) return;
    const QColor teal(palette::StatusTeal);
    SetColours(ErrMess, QPalette::Window, teal, TextColourOn(teal));
    ErrMess->setText(tr("No Error"));
}

void TVRW2::FWVersionDblClick() {
    passFocusReturn_ = focusWidget();
    PassLB->show();
    PassEdit->show();
    FWVersion->hide();
    PassEdit->setFocus();
}

void TVRW2::PassLBClick() {
    ClosePasswordBox();
}

void TVRW2::PassEditChange() {
    switch (PassCommandOf(PassEdit->text())) {
    case PassCommand::AccessCode:
        // The controls appear once a complete settings cycle has shown their values.
        HiddenMode = true;
        Engine.RequestSettingsReread();
        break;
    case PassCommand::TraceOn:
        DebugMess->show();
        ErrMess->show();
        break;
    case PassCommand::TraceOff:
        DebugMess->hide();
        ErrMess->hide();
        break;
    case PassCommand::Other:
        HiddenMode = false;
        SetHiddenShown(false);
        break;
    }
}

} // namespace vrx
