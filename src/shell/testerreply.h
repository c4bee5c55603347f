// The command tester's reply in values: a read's words in the forms a user reads them in, an
// exception in words, a write's echo. No widgets.
#pragma once

#include <QByteArray>
#include <QStringList>

namespace vrx {

// Whether the controller keeps a register's value in tenths of its unit, as the Monitor's
// register map shows it.
bool RegisterHoldsTenths(int reg);

// What the reply to `request` says, a line each: for a read, a heading and one line per word
// with its register, the word in decimal, in hex, as a signed number and, where the register
// holds tenths, in tenths; an exception's code and meaning; "written" for a write's echo.
// Nothing for a reply too short to be a frame. Both frames as they crossed the line (ASCII
// text with CR LF, or RTU bytes).
QStringList ReplyValueLines(const QByteArray& request, const QByteArray& reply);

} // namespace vrx
