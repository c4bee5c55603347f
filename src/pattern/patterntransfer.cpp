// Writing and reading the program registers.
#include "patterntransfer.h"

#include "framecodec.h"
#include "registers.h"

namespace vrx {

quint16 PatternWriteValue(const PatternProgram& program, int k) {
    return RegisterWord(TransferValue(program, k));
}

QByteArray PatternWriteFrame(const PatternProgram& program, int k, int address) {
    return WriteRequest(address, reg::StartPattern + k, TransferValue(program, k));
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
