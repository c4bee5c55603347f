// Error types that no handler catches: they travel to the general error handler at the event loop.
#pragma once

#include <QString>
#include <exception>

namespace vrx {

// Base of every error the program raises on purpose; what() and text() give the user's message.
class Error : public std::exception {
public:
    explicit Error(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString& text() const { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};

// What a message may show of text from outside (a file, the line, a user's paste): at most
// maxChars characters, control characters and other unprintable ones as '?', and "..." where
// the rest was cut. A message box built from it always fits the screen.
QString Excerpt(const QString& text, int maxChars = 40);

// A message of any origin made fit for a message box: a few lines, no line or unbroken run of
// characters longer than fits an 800-pixel screen, nothing unprintable.
QString FitMessage(const QString& text);

// A text that should have been a number; the message names the text as typed (an excerpt of
// it when it is long or unprintable).
class ConvertError : public Error {
public:
    explicit ConvertError(const QString& value)
        : Error(QStringLiteral("'%1' is not a valid integer value").arg(Excerpt(value))) {}
    // The same message followed by where the text came from, for texts not typed by the user.
    ConvertError(const QString& value, const QString& where)
        : Error(QStringLiteral("'%1' is not a valid integer value").arg(Excerpt(value)) + where) {}
};

// A file that could not be opened, read or written.
class FileError : public Error {
public:
    using Error::Error;
};

// The serial line refused an operation: not open, no port chosen, device lost, buffer errors.
class PortError : public Error {
public:
    using Error::Error;
};

// The device is there, but another program (or another tool of this one) holds it.
class PortBusyError : public PortError {
public:
    using PortError::PortError;
};

// Decimal text to a 32-bit integer, as users type it: leading blanks and a sign are allowed,
// nothing else. Throws ConvertError naming the text.
int StrToInt(const QString& text);

} // namespace vrx
