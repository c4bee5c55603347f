// Replies as the line may deliver them, through the reply checks and the reply-end rule.
// The first byte picks the station asked and the framing; the rest is the reply.
#include "framecodec.h"
#include "replyend.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int address = data[0] & 0x7F;
    const bool rtu = data[0] & 0x80;
    const QByteArray reply(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    const vrx::ReadReply checked =
        rtu ? vrx::CheckRtuReply(reply, address) : vrx::CheckAsciiReply(reply, address);
    // A good reply carries the words its byte count announced, never more than the frame holds.
    if (checked.isGood() && checked.words.size() * 2 > reply.size()) std::abort();

    const QByteArray asked = vrx::ReadRequest(address, 0x4725, 7);
    const vrx::ReplyEnd end = vrx::FindReplyEnd(reply, rtu ? vrx::AsciiToRtu(asked) : asked, rtu);
    if (end.state == vrx::ReplyEndState::Complete && (end.length <= 0 || end.length > reply.size()))
        std::abort();
    // What the rule calls a whole RTU read reply is one that the check accepts.
    if (rtu && end.state == vrx::ReplyEndState::Complete && reply.size() > 1 && reply.at(1) == 3 &&
        !vrx::CheckRtuReply(reply.first(end.length), address).isGood())
        std::abort();
    return 0;
}
