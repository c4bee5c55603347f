// Where a reply on the line ends: one pure rule for every window that waits for replies.
#pragma once

#include <QByteArray>

namespace vrx {

enum class ReplyEndState {
    Pending,  // not complete yet; silence (RTU) or the time-out decides
    Complete, // a whole frame: ASCII up to its LF; RTU of the length its header gives, CRC good
    Broken,   // cannot become a good reply to this request; only silence or a time-out ends it
};

struct ReplyEnd {
    ReplyEndState state = ReplyEndState::Pending;
    qsizetype length = 0; // Complete: the frame's length; bytes after it are not part of it
    // Pending: what came so far begins a reply to this request of a shape that tells its length
    // (its address, then a function that answers the request). Such a reply is on its way: a
    // pause in it is the sender's or the machine's, not its end, so only its length or the
    // time-out ends it.
    bool begun = false;
    friend bool operator==(const ReplyEnd&, const ReplyEnd&) = default;
};

// Fed the bytes received so far and the request as it was sent (ASCII text with LRC and CR LF,
// or RTU bytes with CRC), says whether the reply has ended.
//
// ASCII: a reply ends at its first LF, whatever it holds; its checks come after.
// RTU: the reply's length follows from its function code and byte count, as a slave builds it:
// a read (01 to 04) is 5 + byte count, an exception (function | 0x80) 5, a write echo (05, 06,
// 0F, 10) 8. It is Complete once that many bytes have come and the CRC over them holds; another
// station's address, a function that answers none of the request's, or a wrong CRC make it
// Broken. A function of unknown shape stays Pending without having begun: only the silence
// after it ends it.
ReplyEnd FindReplyEnd(const QByteArray& received, const QByteArray& request, bool rtu);

} // namespace vrx
