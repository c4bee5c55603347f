#!/usr/bin/python3
"""Cross-checks our frame codec (through the codeccheck tool) against pymodbus.

pymodbus computes the LRC and CRC of random and edge payloads and builds whole request,
reply and exception frames with its own ASCII and RTU framers; codeccheck must agree on the
checksums and the RTU frames, accept pymodbus's replies with the same register values, and
refuse them once damaged or sent from another station.

Usage: /usr/bin/python3 test_codec_pymodbus.py <path to codeccheck>
"""
import random
import struct
import subprocess
import sys

try:
    from pymodbus.framer.ascii_framer import ModbusAsciiFramer
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
    from pymodbus.pdu import ExceptionResponse
    from pymodbus.register_read_message import (ReadHoldingRegistersRequest,
                                                ReadHoldingRegistersResponse)
    from pymodbus.register_write_message import WriteSingleRegisterRequest
    from pymodbus.utilities import computeCRC, computeLRC
except ImportError as error:
    sys.exit("pymodbus 3.0 is needed (Debian's python3-pymodbus for /usr/bin/python3): %s" % error)

SEED = 20240611
RANDOM_PAYLOADS = 300
RANDOM_EXCHANGES = 100


def rtu_of(payload):
    # computeCRC packs big-endian into the wire order (low byte first).
    return payload + struct.pack(">H", computeCRC(payload))


def hex_field(data):
    return data.hex().upper() if data else "-"


class Checker:
    def __init__(self, tool):
        self.tool = tool
        self.questions = []  # (question line, expected answer or predicate, description)

    def expect(self, question, expected, what):
        self.questions.append((question, expected, what))

    def run(self):
        text = "".join(q + "\n" for q, _, _ in self.questions)
        done = subprocess.run([self.tool], input=text, capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            print("codeccheck failed with exit code %d: %s" % (done.returncode, done.stderr))
            return 0, len(self.questions)
        answers = done.stdout.splitlines()
        passed = failed = 0
        for index, (question, expected, what) in enumerate(self.questions):
            answer = answers[index] if index < len(answers) else "<no answer>"
            ok = expected(answer) if callable(expected) else answer == expected
            if ok:
                passed += 1
                continue
            failed += 1
            if failed <= 20:
                wanted = "a different answer" if callable(expected) else repr(expected)
                print("MISMATCH with pymodbus: %s\n  asked:    %s\n  codec:    %r\n  expected: %s"
                      % (what, question, answer, wanted))
        return passed, failed


def add_payload_checks(checker, rng):
    payloads = [
        b"",
        b"\x01",
        b"\x00" * 6,
        b"\xff" * 6,
        b"\x01\x00\xff",                     # byte sum 0 mod 256: LRC 00
        bytes.fromhex("010310000001"),        # read 1 register at 1000 hex
        bytes.fromhex("010300000002"),
        bytes.fromhex("010347250007"),        # status read
        bytes.fromhex("010347000004"),        # process values
        bytes.fromhex("0106472A7E5B"),        # unlock write
        bytes(range(256))[:252],              # longest RTU payload with CRC in 254 bytes
    ]
    for _ in range(RANDOM_PAYLOADS):
        payloads.append(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 64))))
    for payload in payloads:
        expected = "%02X %s" % (computeLRC(payload), rtu_of(payload).hex().upper())
        checker.expect("frame " + hex_field(payload), expected,
                       "LRC/CRC of payload %s" % hex_field(payload))


def add_request_checks(checker, rng):
    """Whole requests as pymodbus's framers build them: our LRC and RTU frame must match."""
    ascii_framer = ModbusAsciiFramer(None)
    rtu_framer = ModbusRtuFramer(None)
    requests = [ReadHoldingRegistersRequest(0x4700, 2, unit=1),
                WriteSingleRegisterRequest(0x472A, 0x7E5B, unit=1)]
    for _ in range(RANDOM_EXCHANGES):
        unit = rng.randrange(1, 248)
        register = 0x4700 + rng.randrange(256)
        if rng.random() < 0.5:
            requests.append(ReadHoldingRegistersRequest(register, rng.randrange(1, 9), unit=unit))
        else:
            requests.append(WriteSingleRegisterRequest(register, rng.randrange(65536), unit=unit))
    for request in requests:
        ascii_frame = ascii_framer.buildPacket(request)  # b":" payload LRC CR LF
        rtu_frame = rtu_framer.buildPacket(request)
        payload = bytes.fromhex(ascii_frame[1:-4].decode())
        expected = "%s %s" % (ascii_frame[-4:-2].decode(), rtu_frame.hex().upper())
        checker.expect("frame " + hex_field(payload), expected,
                       "request %s as pymodbus frames it (%r)" % (request, ascii_frame))


def add_reply_checks(checker, rng):
    """pymodbus's replies must pass our checks with the same words; damaged ones must not."""
    ascii_framer = ModbusAsciiFramer(None)
    rtu_framer = ModbusRtuFramer(None)
    for n in range(RANDOM_EXCHANGES):
        unit = rng.randrange(1, 248)
        words = [rng.randrange(65536) for _ in range(rng.randrange(1, 9))]
        if n % 4 == 3:
            code = rng.choice([1, 2, 3, 4, 11, 12, 13, 14, 5])
            reply = ExceptionResponse(0x03, code, unit=unit)
            expected = "exception %d %d" % (0x83, code)
        else:
            reply = ReadHoldingRegistersResponse(words, unit=unit)
            expected = "good 3 0" + "".join(" %04X" % w for w in words)
        for kind, frame in (("ascii", ascii_framer.buildPacket(reply)),
                            ("rtu", rtu_framer.buildPacket(reply))):
            checker.expect("%s %d %s" % (kind, unit, hex_field(frame)), expected,
                           "%s reply from pymodbus %r" % (kind, frame))
            other = unit % 247 + 1
            checker.expect("%s %d %s" % (kind, other, hex_field(frame)),
                           lambda a: a.startswith("notaddressed"),
                           "%s reply of station %d taken for station %d" % (kind, unit, other))
            # Damage one byte (ASCII: one hex digit) after the count or code, where a single
            # change must always be caught by the LRC or CRC.
            damaged = bytearray(frame)
            if kind == "ascii":
                position = rng.randrange(7, len(frame) - 2)
                damaged[position] = rng.choice([c for c in b"0123456789ABCDEF"
                                                if c != frame[position]])
            else:
                position = rng.randrange(3, len(frame))
                damaged[position] ^= rng.randrange(1, 256)
            checker.expect("%s %d %s" % (kind, unit, hex_field(bytes(damaged))),
                           lambda a: a.startswith("badframe"),
                           "%s reply %r damaged at byte %d accepted" % (kind, frame, position))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    rng = random.Random(SEED)
    checker = Checker(sys.argv[1])
    add_payload_checks(checker, rng)
    add_request_checks(checker, rng)
    add_reply_checks(checker, rng)
    passed, failed = checker.run()
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
