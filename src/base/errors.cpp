// Number conversion with the program's own error message.
#include "errors.h"

#include <limits>

namespace vrx {

int StrToInt(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == text.size()) throw ConvertError(text);
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9') throw ConvertError(text);
        value = value * 10 + (c.unicode() - u'0');
        // One past the largest magnitude, so that INT_MIN still converts.
        if (value > qint64(std::numeric_limits<int>::max()) + 1) throw ConvertError(text);
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int>::max()) throw ConvertError(text);
    return int(value);
}

} // namespace vrx
