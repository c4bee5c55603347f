// The command tester driven as a user drives it, for the end-to-end tests against real peers.
#pragma once

#include "commandtester.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace vrx::test {

// Composes a request to station 1 in the fields (command `kind`, register and data as typed),
// sends it and waits at most boundMs for the exchange to end; returns the reply as received:
// ASCII text without CR LF, or RTU bytes. A reply that never ends shows as whatever came, and
// the caller's checks fail on it.
inline QByteArray TesterExchange(TesterPanel* t, int kind, const QString& func, const QString& data,
                                 bool rtu, int boundMs) {
    t->SCOMAddr->setText(QStringLiteral("1"));
    t->SCmdBox->setCurrentIndex(kind);
    t->SCmdBoxSelect(t->SCmdBox);
    t->SFunc->setText(func);
    t->SDataLen->setText(data);
    QTest::mouseClick(t->SendBt, Qt::LeftButton);
    if (!t->AwaitingReply()) return "<not sent>";
    // ASCII ends at the LF; RTU at the tester's own time-out, over TCP as on a serial line.
    (void)QTest::qWaitFor([t] { return !t->AwaitingReply(); }, boundMs);
    const QByteArray shown = t->RcvEdit->text().toLatin1();
    return rtu ? QByteArray::fromHex(shown) : shown;
}

} // namespace vrx::test
