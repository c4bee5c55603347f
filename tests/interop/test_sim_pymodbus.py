#!/usr/bin/python3
"""vrx-sim against an independent Modbus master: pymodbus polls the simulated controllers over
vrx-sim's pty link in ASCII and in RTU framing, and raw frames are checked with LRC and CRC
worked out here. Usage: test_sim_pymodbus.py PATH-TO-vrx-sim"""

import os
import select
import signal
import subprocess
import sys
import tempfile
import time

import serial
from pymodbus.client import ModbusSerialClient
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer

BOUND = 10.0  # seconds: the longest any wait may take
results = {"passed": 0, "failed": 0}


def check(name, condition, detail=""):
    if condition:
        results["passed"] += 1
        print(f"PASS {name}")
    else:
        results["failed"] += 1
        print(f"FAIL {name} {detail}")


def lrc(body):
    return (-sum(body)) & 0xFF


def crc16(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes([crc & 0xFF, crc >> 8])


def start_sim(binary, mode, link):
    proc = subprocess.Popen(
        [binary, "--link", link, "--mode", mode, "--addresses", "1,2", "--options",
         "preset=factory:turnaround=2"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + BOUND
    device = ""
    while time.monotonic() < deadline and not device:
        ready, _, _ = select.select([proc.stdout], [], [], 0.1)
        if ready:
            device = proc.stdout.readline().strip()
        if proc.poll() is not None:
            break
    return proc, device


def stop_sim(proc, link, mode):
    proc.send_signal(signal.SIGTERM)
    try:
        code = proc.wait(timeout=BOUND)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
        code = None
    check(f"{mode}: SIGTERM ends vrx-sim cleanly", code == 0, f"exit {code}")
    check(f"{mode}: the link is removed", not os.path.lexists(link))


def read_raw(port, want, ascii_mode):
    deadline = time.monotonic() + BOUND
    data = b""
    while time.monotonic() < deadline:
        data += port.read(64)
        if (ascii_mode and data.endswith(b"\r\n")) or (not ascii_mode and len(data) >= want):
            break
    return data


def raw_frames(link, mode):
    """One read, one write and one refused write sent as raw bytes; replies checked here."""
    ascii_mode = mode == "ascii"
    with serial.Serial(link, 9600, bytesize=8, parity="N", stopbits=1, timeout=0.05) as port:
        for name, body, want in [
            ("read 0x4700 x4", bytes([1, 3, 0x47, 0x00, 0, 4]), 13),
            ("write 0x4701", bytes([2, 6, 0x47, 0x01, 0x00, 0xFA]), 8),
            ("refused 0x4730", bytes([1, 6, 0x47, 0x30, 0, 1]), 5),
        ]:
            if ascii_mode:
                port.write(b":" + (body + bytes([lrc(body)])).hex().upper().encode() + b"\r\n")
            else:
                port.write(body + crc16(body))
            reply = read_raw(port, want, ascii_mode)
            if ascii_mode:
                ok = reply.startswith(b":") and reply.endswith(b"\r\n")
                raw = bytes.fromhex(reply[1:-2].decode()) if ok else b""
                ok = ok and len(raw) >= 3 and lrc(raw[:-1]) == raw[-1]
                pdu = raw[:-1]
            else:
                ok = len(reply) == want and crc16(reply[:-2]) == reply[-2:]
                pdu = reply[:-2]
            check(f"{mode}: raw {name} has a valid checksum", ok, repr(reply))
            if body[1] == 6 and name.startswith("write"):
                check(f"{mode}: raw {name} is an exact echo", pdu == body, repr(pdu))
            elif name.startswith("refused"):
                check(f"{mode}: raw {name} is exception 0x86/04", pdu == bytes([1, 0x86, 4]),
                      repr(pdu))
            else:
                check(f"{mode}: raw {name} carries 8 data bytes", pdu[:3] == bytes([1, 3, 8]),
                      repr(pdu))


def pymodbus_exchanges(link, mode):
    framer = ModbusAsciiFramer if mode == "ascii" else ModbusRtuFramer
    client = ModbusSerialClient(port=link, framer=framer, baudrate=9600, bytesize=8, parity="N",
                                stopbits=1, timeout=2, retries=1)
    check(f"{mode}: pymodbus connects", client.connect())
    try:
        status = client.read_holding_registers(0x4725, 7, slave=1)
        check(f"{mode}: read status block", not status.isError() and len(status.registers) == 7,
              str(status))
        if not status.isError():
            check(f"{mode}: firmware word and write enable", status.registers[5] == 0x0112
                  and status.registers[1] == 1, str(status.registers))
        write = client.write_register(0x4701, 0xFF9C, slave=2)
        check(f"{mode}: write SV -10.0 echoed", not write.isError() and write.address == 0x4701
              and write.value == 0xFF9C, str(write))
        back = client.read_holding_registers(0x4701, 1, slave=2)
        check(f"{mode}: SV reads back", not back.isError() and back.registers == [0xFF9C],
              str(back))
        unlock = client.write_register(0x472A, 0x7E5B, slave=1)
        check(f"{mode}: unlock echoed", not unlock.isError(), str(unlock))
        out = client.write_register(0x4730, 2, slave=1)
        check(f"{mode}: protected write after unlock", not out.isError(), str(out))
        refused = client.write_register(0x4731, 1, slave=1)
        check(f"{mode}: protected write without unlock refused with 04",
              refused.isError() and getattr(refused, "exception_code", None) == 4,
              str(refused))
        missing = client.read_holding_registers(0x474E, 1, slave=1)
        check(f"{mode}: read of a write-only register refused with 02",
              missing.isError() and getattr(missing, "exception_code", None) == 2, str(missing))
        memory = client.read_holding_registers(0x474C, 8, slave=1)
        check(f"{mode}: parameter memory read", not memory.isError()
              and [w >> 8 for w in memory.registers] == list(range(8)), str(memory))
    finally:
        client.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    binary = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        for mode in ("ascii", "rtu"):
            link = os.path.join(folder, f"vrx-{mode}")
            proc, device = start_sim(binary, mode, link)
            check(f"{mode}: vrx-sim prints its device", device.startswith("/dev/pts/"),
                  repr(device))
            check(f"{mode}: the link points at it",
                  os.path.islink(link) and os.path.realpath(link) == device)
            try:
                if device:
                    pymodbus_exchanges(link, mode)
                    raw_frames(link, mode)
            finally:
                stop_sim(proc, link, mode)
    print(f"{results['passed']} passed, {results['failed']} failed")
    return 0 if results["failed"] == 0 and results["passed"] > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
