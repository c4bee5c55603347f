// The charts' value text.
#include "chartscale.h"

namespace vrx {

QString TenthsText(qint32 tenths) {
    // The sign apart, so that -0.5 keeps its minus, which -5 / 10 would lose.
    const qint64 magnitude = qAbs(qint64(tenths));
    return (tenths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10) + u'.' +
           QString::number(magnitude % 10);
}

} // namespace vrx
