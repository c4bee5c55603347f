// The Monitor window's operation panel: Load to Buffer, Save to File, Open File, Write to
// Select and BroadCast, the file routines the engine runs between two exchanges, and the
// progress gauge.
#include "monitorwindow.h"

#include "dialogs.h"
#include "guard.h"
#include "paramfile.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace vrx {

namespace {

QString MessageCaption() {
    return QCoreApplication::translate("vrx::TVRW2", "Message");
}
QString WarningCaption() {
    return QCoreApplication::translate("vrx::TVRW2", "Warning");
}

// Where the gauge stands once a file of `entries` entries has been written or read.
int FileGauge(int entries) {
    return qBound(0, (entries - 1) * 100 / (ParamEntries - 1), 100);
}

} // namespace

void TVRW2::WireFiles() {
    connect(LoadBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::LoadBtClick));
    connect(SaveBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::SaveBtClick));
    connect(OpenBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRW2::OpenBtClick));
    for (QPushButton* button : {WriteBt, WrAllBt})
        connect(button, &QPushButton::clicked, this,
                [this, button] { Guarded([&] { WriteBtClick(button); }); });
    Engine.SetFileRoutines([this] { SaveRoutine(); }, [this] { OpenRoutine(); });
    connect(&Engine, &PollEngine::transferStopped, this,
            [this](const QString& text) { Guarded([&] { TransferStopped(text); }); });
    connect(&Engine, &PollEngine::transferDone, this,
            [this](const QString& text) { SayAfterTurn(MessageCaption(), text); });
}

void TVRW2::LoadBtClick() {
    Engine.StartBufferRead();
    ShowUpload(QLatin1Char(' ') + LoadBt->text() + QLatin1Char(' '));
    // Nothing is saved or written from the buffer while it may be about to change.
    for (QPushButton* button : {SaveBt, WriteBt, WrAllBt})
        button->setEnabled(false);
}

void TVRW2::SaveBtClick() {
    // At once when nothing is on the line, else when the exchange in progress ends.
    Engine.RequestSave();
}

void TVRW2::OpenBtClick() {
    Engine.RequestOpen();
}

void TVRW2::WriteBtClick(QObject* sender) {
    const bool broadcast = sender == WrAllBt;
    // The whole parameter memory of one or every controller is rewritten: input type, control
    // method and all. Say where it goes, and what it changes where that is known, first.
    if (!Dialogs::Current().Confirm(this, QStringLiteral("Confirm"), BulkWriteQuestion(broadcast)))
        return;
    Engine.StartBufferWrite(broadcast);
    ShowUpload(broadcast ? WrAllBt->text() : tr("Write to Select"));
    // Until the last broadcast frame has had its time, nothing else may start.
    if (broadcast) OpPanel->setEnabled(false);
}

void TVRW2::SaveRoutine() {
    // Served once, whatever the dialogs answer or the file system says.
    Engine.SaveDone();
    QString path = Dialogs::Current().SaveFileName(
        this, SaveBt->text(), QCoreApplication::translate("vrx::TextFile", ParamFileFilter));
    if (path.isEmpty()) return;
    const QFileInfo chosen(path);
    if (!chosen.fileName().isEmpty() && chosen.suffix().isEmpty()) path += QStringLiteral(".txt");
    ParamFileName = QFileInfo(path).fileName();
    if (QFileInfo::exists(path) &&
        !Dialogs::Current().Confirm(this, tr("Confirm"), tr("Over write : ") + ParamFileName))
        return;
    ShowUpload(tr("Save to File ") + ParamFileName);
    const ParamFileSave saved = SaveParamFile(path, Engine.State().ParamBuffer);
    if (saved.ok) UpLoadBar->setValue(FileGauge(ParamEntries + 1));
    Dialogs::Current().Message(this, saved.ok ? MessageCaption() : WarningCaption(), saved.message);
    EndUpload();
}

void TVRW2::OpenRoutine() {
    Engine.OpenDone();
    const QString path = Dialogs::Current().OpenFileName(
        this, OpenBt->text(), QCoreApplication::translate("vrx::TextFile", ParamFileFilter));
    if (path.isEmpty()) return;
    ParamFileName = QFileInfo(path).fileName();
    if (!QFileInfo::exists(path)) {
        Dialogs::Current().Message(this, MessageCaption(),
                                   QCoreApplication::translate("vrx::TextFile", FileMissingText));
        return;
    }
    ShowUpload(tr("Open File") + ParamFileName);
    const ParamFileLoad load = ReadParamFile(path, Engine.State().ParamBuffer);
    UpLoadBar->setValue(FileGauge(load.pairs));
    const bool refused =
        load.status == ParamFileStatus::BadData || load.status == ParamFileStatus::ReadFailed;
    Dialogs::Current().Message(this, refused ? WarningCaption() : MessageCaption(), load.message);
    EndUpload();
    // Too short, junk or unreadable: the buffer, and whether it counts as loaded, stay as
    // they were, so nothing half read can be written to a controller.
    if (!load.takesImage) return;
    Engine.LoadBuffer(load.image);
    EnableBufferButtons();
}

QString TVRW2::BulkWriteQuestion(bool broadcast) const {
    const QString com = QStringLiteral("COM%1").arg(Settings().comPort + 1);
    if (broadcast)
        return tr("Write the buffer's %1 settings to every controller on %2? No controller "
                  "answers a broadcast, so none can be checked afterwards.")
            .arg(ParamWriteFrames)
            .arg(com);
    const MonitorState& state = Engine.State();
    const int st = state.SelStation;
    const int address = state.StationAddr[st];
    QString text = tr("Write the buffer's %1 settings to station %2 (address %3) on %4?")
                       .arg(ParamWriteFrames)
                       .arg(st)
                       .arg(address)
                       .arg(com);
    if (const std::optional<int> differ = Engine.SettingsToChange(address)) {
        text += QLatin1Char(' ') + tr("%1 of them differ from what it holds.").arg(*differ);
    } else {
        text += QLatin1Char(' ') +
                tr("What it holds now is not known: Load to Buffer from it first to compare.");
    }
    return text;
}

void TVRW2::ShowUpload(const QString& caption) {
    // A long file name is shortened in the middle; the whole caption is the label's tip.
    const int width = UpLoadLabel->contentsRect().width();
    UpLoadLabel->setText(UpLoadLabel->fontMetrics().elidedText(caption, Qt::ElideMiddle, width));
    UpLoadLabel->setToolTip(caption);
    UpLoadBar->setValue(0);
    UpLoadLabel->show();
    UpLoadBar->show();
}

void TVRW2::TransferStopped(const QString& text) {
    // A read that stopped left the buffer as it was: what it allowed before, it allows again.
    if (Engine.State().BufferLoaded) EnableBufferButtons();
    SayAfterTurn(WarningCaption(), text);
}

} // namespace vrx
