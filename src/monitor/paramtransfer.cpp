// The parameter memory transfers, and what they say when they end or are cut short.
#include "paramtransfer.h"

#include "monitorreply.h"

#include <QCoreApplication>
#include <QStringList>

namespace vrx {

namespace {

// A controller that refuses the parameter memory read, or answers it with nothing usable, is
// asked again at every turn; after this many in a row the read stops, rather than keep the
// line busy with it for good and starve the polling of every station.
constexpr int BufferReadMissLimit = 3;

} // namespace

// The texts are the Monitor's: they keep the engine's translation context.

void ParamRead::Begin(const ParamImage& buffer) {
    read_ = ParamImageRead(buffer);
    misses_ = 0;
    lastResult_ = ResultGood;
}

bool ParamRead::TakeReply(const TransferReply& reply) {
    if (reply.kind != TransferReply::Kind::Words) {
        ++misses_;
        lastResult_ = reply.result;
        return false;
    }
    misses_ = 0;
    read_.Store(reply.words);
    if (!read_.Complete()) emit progress(read_.Gauge());
    return read_.Complete();
}

std::optional<QString> ParamRead::GivenUp() const {
    if (misses_ < BufferReadMissLimit) return std::nullopt;
    const QString refusal =
        IsMissedReply(lastResult_) ? QString() : ResultText(lastResult_).trimmed();
    return refusal.isEmpty() ? QCoreApplication::translate("vrx::PollEngine",
                                                           "the controller gave no usable answer")
                             : QCoreApplication::translate("vrx::PollEngine",
                                                           "the controller refused the read (%1)")
                                   .arg(refusal);
}

QString ParamRead::Stop(const QString& reason) {
    misses_ = 0;
    return QCoreApplication::translate("vrx::PollEngine",
                                       "Load to Buffer stopped: %1. The buffer is unchanged.")
        .arg(reason);
}

void ParamWriteBack::Begin(const ParamImage& image, int address, bool broadcast) {
    image_ = image;
    address_ = broadcast ? 0 : address;
    broadcast_ = broadcast;
    sent_ = 0;
    taken_ = 0;
    frameTaken_.fill(false);
}

TransferRequest ParamWriteBack::NextRequest() {
    if (sent_ >= ParamWriteFrames) return TransferRequest::Nothing();
    ++sent_;
    return TransferRequest::Write(BufferWriteFrame(image_, sent_ - 1, address_), sent_);
}

bool ParamWriteBack::TakeReply(const TransferReply& reply) {
    if (reply.kind != TransferReply::Kind::Echo) return false;
    if (sent_ != 0) {
        ++taken_;
        frameTaken_[std::size_t(sent_ - 1)] = true;
    }
    emit progress(sent_ * 100 / ParamWriteFrames);
    return sent_ >= ParamWriteFrames;
}

WriteBackEnd ParamWriteBack::Finish() {
    if (broadcast_) {
        // No controller answers address 0: whatever each one holds now is not known.
        known_.clear();
        return {true, true,
                QCoreApplication::translate(
                    "vrx::PollEngine",
                    "BroadCast done: the %1 settings were sent to every controller on the line. No "
                    "controller answers a broadcast, so none could be checked.")
                    .arg(ParamWriteFrames)};
    }
    if (taken_ == ParamWriteFrames) {
        known_[address_] = image_;
        return {false, true,
                QCoreApplication::translate(
                    "vrx::PollEngine",
                    "Write to Select done: the controller at address %1 took all %2 settings.")
                    .arg(address_)
                    .arg(ParamWriteFrames)};
    }
    known_.erase(address_);
    // A write that failed is not repeated, so its register keeps the controller's old value:
    // a clone that is only partly one must not pass for a whole one.
    QStringList registers;
    for (int k = 0; k < ParamWriteFrames; ++k)
        if (!frameTaken_[std::size_t(k)])
            registers << QString::number(ParamWriteTable()[std::size_t(k)].reg, 16).toUpper();
    return {false, false,
            QCoreApplication::translate("vrx::PollEngine",
                                        "Write to Select ended, but the controller did not take %1 "
                                        "of the %2 settings: they keep their old values.")
                    .arg(ParamWriteFrames - taken_)
                    .arg(ParamWriteFrames) +
                (registers.size() == 1
                     ? QCoreApplication::translate("vrx::PollEngine",
                                                   " Refused or unanswered: register %1.")
                           .arg(registers.first())
                     : QCoreApplication::translate("vrx::PollEngine",
                                                   " Refused or unanswered: registers %1.")
                           .arg(registers.join(QStringLiteral(", "))))};
}

QString ParamWriteBack::Stop(const QString& reason) {
    if (broadcast_)
        return QCoreApplication::translate(
                   "vrx::PollEngine",
                   "BroadCast stopped: %1. %2 of the %3 settings were sent to the controllers.")
            .arg(reason)
            .arg(sent_)
            .arg(ParamWriteFrames);
    return QCoreApplication::translate(
               "vrx::PollEngine",
               "Write to Select stopped: %1. The controller took %2 of the %3 settings.")
        .arg(reason)
        .arg(taken_)
        .arg(ParamWriteFrames);
}

} // namespace vrx
