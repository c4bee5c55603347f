// Writing and reading the program registers.
#include "patterntransfer.h"

#include "framecodec.h"
#include "monitorreply.h"
#include "registers.h"

#include <QCoreApplication>
#include <QStringList>

namespace vrx {

namespace {

// A long list of refusals would push the box off the screen: the first ones say enough.
constexpr int RefusalsListed = 8;

// Why the controller did not take a write, as the Monitor's status line words it.
QString RefusalText(const RefusedWrite& write) {
    if (write.result != ResultWriteRefused) return ResultText(write.result).trimmed();
    return QCoreApplication::translate("vrx::PatternTransfer", "refused, %1 (exception %2)")
        .arg(ResultText(ExceptionResult(write.exception)).trimmed())
        .arg(QString::number(write.exception, 16).toUpper().rightJustified(2, QLatin1Char('0')));
}

} // namespace

quint16 PatternWriteValue(const PatternProgram& program, int k) {
    return RegisterWord(TransferValue(program, k));
}

QByteArray PatternWriteFrame(const PatternProgram& program, int k, int address) {
    return WriteRequest(address, reg::StartPattern + k, TransferValue(program, k));
}

QString PatternWritePlace(int k) {
    QString cell = QCoreApplication::translate("vrx::PatternProgram", "Start Pattern");
    if (k > 0) {
        // The table's rows: max step, each step's set value and time, loop, link.
        constexpr int MaxStepRow = 1, FirstStepRow = 2, LoopRow = 18, LinkRow = 19;
        int pattern = 0;
        int row = 0;
        if (k < FirstStepValue) {
            const int header = (k - 1) / Patterns; // max steps, then loops, then links
            pattern = (k - 1) % Patterns;
            row = header == 0 ? MaxStepRow : header == 1 ? LoopRow : LinkRow;
        } else {
            // Set value and time of each step in turn.
            const int j = (k - FirstStepValue) / 2;
            pattern = j / PatternSteps;
            row = FirstStepRow + 2 * (j % PatternSteps) + (k - FirstStepValue) % 2;
        }
        cell = ProgTableColumnTitle(pattern + 1) + u' ' + ProgTableRowTitle(row);
    }
    return QCoreApplication::translate("vrx::PatternTransfer", "%1 (register %2)")
        .arg(cell)
        .arg(QString::number(reg::StartPattern + k, 16).toUpper());
}

QString PatternWriteEndText(const PatternWriteEnd& end) {
    if (end.Whole())
        return QCoreApplication::translate("vrx::PatternTransfer",
                                           "Write finished : all %1 values written to address %2.")
            .arg(PatternWriteFrames)
            .arg(end.address);
    QStringList lines;
    if (end.Stopped()) {
        lines << QCoreApplication::translate(
                     "vrx::PatternTransfer",
                     "Write not complete : %1 of %2 values written to address %3 !")
                     .arg(end.written)
                     .arg(PatternWriteFrames)
                     .arg(end.address);
        lines << QCoreApplication::translate("vrx::PatternTransfer", "Not written from %1 on : %2.")
                     .arg(PatternWritePlace(end.stoppedAt), end.stopReason);
    } else {
        lines << QCoreApplication::translate(
                     "vrx::PatternTransfer",
                     "Write finished : %1 of %2 values refused by the controller at address %3 !")
                     .arg(end.refused.size())
                     .arg(PatternWriteFrames)
                     .arg(end.address);
    }
    for (qsizetype i = 0; i < end.refused.size() && i < RefusalsListed; ++i)
        lines << PatternWritePlace(end.refused[i].k) + QStringLiteral(" : ") +
                     RefusalText(end.refused[i]);
    if (end.refused.size() > RefusalsListed)
        lines << QCoreApplication::translate("vrx::PatternTransfer", "... and %1 more.")
                     .arg(end.refused.size() - RefusalsListed);
    return lines.join(u'\n');
}

PatternWriteEnd PatternWrite::End(const QString& stopReason) const {
    PatternWriteEnd end;
    end.address = address_;
    end.written = WrittenCount();
    end.refused = refused_;
    end.stopReason = stopReason;
    end.stoppedAt = stopReason.isEmpty() ? PatternWriteFrames : position_;
    return end;
}

std::optional<ReadBlock> PatternRead::Request() const {
    switch (phase_) {
    case 0:
        return ReadBlock{reg::StartPattern, 1};
    case 1:
        return ReadBlock{reg::PatternLoop, Patterns};
    case 2:
        return ReadBlock{reg::PatternMaxStep, Patterns};
    case 3:
        return ReadBlock{reg::PatternLink, Patterns};
    case StepsPhase:
        return ReadBlock{reg::StepTable + 2 * stepsRead_, 2 * StepsPerRead};
    default:
        return std::nullopt;
    }
}

bool PatternRead::Store(const QList<quint16>& words) {
    const std::optional<ReadBlock> asked = Request();
    if (!asked || words.size() < asked->count) return false;
    switch (phase_) {
    case 0:
        program_.StartPattern = words[0];
        break;
    case 1:
        for (int p = 0; p < Patterns; ++p)
            program_.PatternLoop[p] = words[p];
        break;
    case 2:
        for (int p = 0; p < Patterns; ++p)
            program_.PatternMaxStep[p] = words[p];
        break;
    case 3:
        for (int p = 0; p < Patterns; ++p)
            program_.PatternLink[p] = words[p];
        break;
    default:
        for (qsizetype i = 0; i < StepsPerRead; ++i) {
            const int step = stepsRead_ + int(i);
            // Set values are signed words: FF9C is -10.0, not 6543.6.
            program_.PatternSV[step / 8][step % 8] = qint16(words[2 * i]);
            program_.PatternTime[step / 8][step % 8] = words[2 * i + 1];
        }
        stepsRead_ += StepsPerRead;
        if (stepsRead_ < Patterns * PatternSteps) return true;
        break;
    }
    ++phase_;
    return true;
}

} // namespace vrx
