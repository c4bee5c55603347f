// The Monitor's transfers in one queue: which of them runs at a turn (the parameter read, its
// write-back or broadcast, the editor's program read and write), the station and address each
// one is pinned to when it starts, and the place of one that another goes before.
#pragma once

#include "paramtransfer.h"
#include "pollplan.h"
#include "transfer.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

namespace vrx {

struct MonitorState;

// The queue's state under the names of the Monitor's design; the engine shows it as it is.
struct TransferFlags {
    // Load to Buffer was asked for: it starts when the exchange in progress ends.
    bool BufferReadPending = false;
    bool BufferReading = false;
    int BufferReadCount = 0; // memory entries received
    // Write to Select, or with Broadcasting BroadCast.
    bool BufferWriting = false;
    int BufferWriteCount = 0; // the transfer write composed last, from 1
    bool Broadcasting = false;
    bool PatternReadPending = false;
    bool PatternReading = false;
    bool PatternWriting = false;
};

// The station a transfer belongs to, and the address it had when the transfer started.
struct TransferPin {
    int station = 0;
    int address = 0;
};

// A transfer belongs to the station selected when it was asked for, at the address it had then
// (a broadcast to none): it stops, and says so, when that station goes, another one is
// selected, its address changes, the line is lost or the window closes, rather than carry on
// with another controller. A parameter read goes before a program read, which keeps its place;
// a write-back's writes go whatever else is waiting; a program write waits for a write-back to
// end and for a write waiting to go.
class TransferQueue : public QObject {
    Q_OBJECT
public:
    // The pins are judged against `stations`; `flags` is where the queue keeps its state.
    TransferQueue(const MonitorState& stations, TransferFlags& flags, QObject* parent = nullptr);

    // ---- Starting and ending ----
    // Load to Buffer: the read starts when the exchange in progress ends.
    void StartParamRead();
    // Write to Select, or BroadCast to address 0: the 32 writes of `buffer` as it is now.
    void StartWriteBack(const ParamImage& buffer, bool broadcast);
    // The editor's program read and write, lent to the queue until they are through, stopped,
    // or withdrawn. The read starts when the exchange in progress ends.
    void StartPatternRead(Transfer& read);
    void StartPatternWrite(Transfer& write);
    // Its owner takes a lent transfer back: nothing more of it goes out, no answer reaches it.
    void Withdraw(const Transfer& transfer);
    // The address a running transfer was pinned to when it started; 0 when it is not running.
    int Address(const Transfer& transfer) const;
    bool ParamTransferRunning() const;
    // How many of the 32 settings `buffer` would change in the controller at `address`, when what
    // it holds is known (read by Load to Buffer, or written whole since); nothing if not.
    std::optional<int> SettingsToChange(const ParamImage& buffer, int address) const;

    // ---- Stops ----
    // The selection moved to station st: the editor's transfers of another station end at once,
    // their frame not sent yet withdrawn; the parameter transfers at the next turn, so that the
    // memory words or the echo on the line still count.
    void SelectionMoved(int st, bool connected);
    // Station st was cancelled.
    void StationCancelled(int st);
    // Station st stopped answering and is being dropped: the editor's transfers on it end for
    // `reason`.
    void StationDropped(int st, const QString& reason);
    // No turn comes any more to go on with any of them (the line was lost, the window closed).
    void Interrupt(const QString& reason);
    // The station model starts afresh: every transfer is forgotten, the editor's told.
    void Reset(const QString& reason);

    // ---- The engine's turn ----
    // Before anything of them goes out: those whose station no longer holds stop.
    void KeepOnTheirStations();
    // The write a transfer composes for this very turn, or none. `writeWaiting`: a write (the
    // Monitor's own, or the key) waits to go. `through`: the write-back has sent its last.
    struct WriteTurn {
        std::optional<QByteArray> write;
        bool writeBackThrough = false;
    };
    WriteTurn NextWrite(bool writeWaiting);
    // A write goes out now (`unlock`: the key before it): no transfer's read is on the line.
    void WriteGoesOut(bool unlock);
    // The Monitor queued a write of its own: no transfer composed the write waiting.
    void OwnWriteQueued() { writeOwner_ = nullptr; }
    // A transfer reads from the selected station at this turn.
    bool ReadsSelected() const;
    // The block read at this turn: a running transfer's, or the poll's `poll`.
    std::optional<ReadBlock> NextRead(std::optional<ReadBlock> poll);

    // ---- Replies ----
    // The read on the line is a transfer's: its words are its own.
    bool ReadOnLine() const { return readOnLine_ != nullptr; }
    // The words of a good reply to a transfer's read, sent to `address`.
    void TakeWords(const QList<quint16>& words, int address);
    // The exchange ended; without data for a transfer's read on the line, `result` is its miss.
    void ReadEnded(bool gotData, int result);
    // Between two exchanges: the reads asked for start.
    void StartWaitingReads();
    // A broadcast frame had its time. True when it was the last.
    bool BroadcastFrameEnded();
    // The write waiting was echoed: the write-back counts it when it is its own; true when that
    // was its last. PendingWriteEchoed() then tells the transfer whose write it was.
    bool TakeWriteBackEcho();
    void PendingWriteEchoed();
    // The write waiting (`pending`; otherwise only the key) was refused with `result` (and the
    // controller's exception code): the transfer that composed it goes on with its next one.
    void PendingWriteRefused(bool pending, int result, int exception);

signals:
    // The parameter transfers' gauge.
    void progress(int percent);
    // Load to Buffer has all of the memory: the buffer takes it.
    void bufferRead(const vrx::ParamImage& image);
    // A write-back sent its last write (WritePending goes with it).
    void writeBackEnded(const vrx::WriteBackEnd& end);
    // The parameter transfers stopped before their end; `writing` when a write-back was one.
    void paramTransfersStopped(const QString& text, bool writing);
    // The program write ended with its write still waiting: it must not go out.
    void writeWithdrawn();

private:
    TransferPin PinSelected() const;
    bool PinHolds(const TransferPin& pin) const;
    QString PinBroken(const TransferPin& pin) const;
    // Hands a lent transfer its reply, and ends it when it says it is through.
    void Hand(Transfer& transfer, const TransferReply& reply);
    void BeginParamRead();
    void EndParamRead();
    void EndWriteBack();
    void StopParamTransfers(const QString& reason);
    void EndPatternRead();
    void EndPatternWrite();
    void StopPatternRead(const QString& reason);
    void StopPatternWrite(const QString& reason);

    const MonitorState& stations_;
    TransferFlags& flags_;
    // The parameter memory of each address as last read whole or written whole.
    KnownMemory known_;
    // The parameter transfers are the queue's own; the editor's are lent to it while they run.
    ParamRead paramRead_;
    ParamWriteBack writeBack_{known_};
    Transfer* patternRead_ = nullptr;
    Transfer* patternWrite_ = nullptr;
    TransferPin paramReadPin_;
    TransferPin writeBackPin_;
    TransferPin patternReadPin_;
    TransferPin patternWritePin_;
    // The transfer whose read is on the line; the one that composed the write waiting, and the
    // one whose write is on the line (none for the Monitor's own writes and the key).
    Transfer* readOnLine_ = nullptr;
    Transfer* writeOwner_ = nullptr;
    Transfer* writeOnLine_ = nullptr;
};

} // namespace vrx
