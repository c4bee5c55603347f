// codeccheck: answers frame codec questions line by line on stdin, so an outside Modbus
// implementation can check our LRC, CRC, RTU conversion and reply checks.
//
//   frame <payload hex>          ->  <LRC> <RTU frame hex>
//   ascii <address> <frame hex>  ->  <status> <function> <exception code> <words hex...>
//   rtu <address> <frame hex>    ->  the same for an RTU frame
//
// The payload is address, function and data; "-" stands for an empty payload. Frames are given
// as hex of their bytes so that CR LF survive the line protocol.
#include "framecodec.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

namespace {

const char* StatusName(vrx::ReplyStatus status) {
    switch (status) {
    case vrx::ReplyStatus::Good:
        return "good";
    case vrx::ReplyStatus::NotAddressed:
        return "notaddressed";
    case vrx::ReplyStatus::BadFrame:
        return "badframe";
    case vrx::ReplyStatus::Exception:
        return "exception";
    case vrx::ReplyStatus::OtherFunction:
        return "otherfunction";
    }
    return "?";
}

QByteArray FromHexField(const std::string& field) {
    return field == "-" ? QByteArray() : QByteArray::fromHex(QByteArray::fromStdString(field));
}

std::string Answer(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "frame") {
        std::string payload;
        in >> payload;
        const QByteArray ascii = ":" + FromHexField(payload).toHex().toUpper();
        const QByteArray lrc = vrx::AsciiLrc(ascii);
        const QByteArray rtu = vrx::AsciiToRtu(ascii + lrc + "\r\n");
        return (lrc + " " + rtu.toHex().toUpper()).toStdString();
    }
    if (command == "ascii" || command == "rtu") {
        int address = -1;
        std::string frame;
        in >> address >> frame;
        const QByteArray bytes = FromHexField(frame);
        const vrx::ReadReply reply = command == "rtu" ? vrx::CheckRtuReply(bytes, address)
                                                      : vrx::CheckAsciiReply(bytes, address);
        std::string out = std::string(StatusName(reply.status)) + " " +
                          std::to_string(reply.function) + " " +
                          std::to_string(reply.exceptionCode);
        for (const quint16 word : reply.words) {
            char hex[8];
            std::snprintf(hex, sizeof hex, " %04X", unsigned(word));
            out += hex;
        }
        return out;
    }
    return "error unknown command";
}

} // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line))
        std::cout << Answer(line) << '\n';
    return 0;
}
