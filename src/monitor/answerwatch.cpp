// What the Monitor says of stations that stop answering.
#include "answerwatch.h"

#include <utility>

namespace vrx {

void AnswerWatch::Restart() {
    answered_ = false;
    held_.clear();
}

void AnswerWatch::Reconnected(int st) {
    held_.removeIf([st](const DroppedStation& dropped) { return dropped.station == st; });
}

QList<DroppedStation> AnswerWatch::Answered() {
    answered_ = true;
    return std::exchange(held_, {});
}

AnswerWatch::Say AnswerWatch::Dropped(const DroppedStation& dropped, bool othersLeft) {
    if (answered_) return Say::Station;
    if (othersLeft) {
        held_.append(dropped);
        return Say::Nothing;
    }
    held_.clear();
    return Say::Line;
}

bool AnswerWatch::LastCancelled() {
    if (answered_ || held_.isEmpty()) return false;
    held_.clear();
    return true;
}

} // namespace vrx
