// Number conversion with the program's own error message.
#include "errors.h"

#include <QStringList>

#include <limits>

namespace vrx {

QString Excerpt(const QString& text, int maxChars) {
    QString shown;
    shown.reserve(qMin(text.size(), qsizetype(maxChars)) + 3);
    for (qsizetype i = 0; i < text.size() && shown.size() < maxChars; ++i) {
        const QChar c = text.at(i);
        shown.append(c.isPrint() ? c : QChar(u'?'));
    }
    if (shown.size() < text.size()) shown += QStringLiteral("...");
    return shown;
}

QString FitMessage(const QString& text) {
    constexpr int MaxLines = 12;
    constexpr int MaxLine = 200; // a message box wraps lines at spaces
    constexpr int MaxWord = 60;  // but not inside a word
    const QStringList lines = text.split(u'\n');
    QStringList fitted;
    for (const QString& line : lines) {
        if (fitted.size() == MaxLines) {
            fitted << QStringLiteral("...");
            break;
        }
        QStringList words;
        for (const QString& word : line.split(u' '))
            words << Excerpt(word, MaxWord);
        fitted << Excerpt(words.join(u' '), MaxLine);
    }
    return fitted.join(u'\n');
}

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
