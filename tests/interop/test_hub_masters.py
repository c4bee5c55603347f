#!/usr/bin/python3
"""The recorder's line shared over Modbus TCP, with three independent masters.

For each framing (RTU, then ASCII): starts vrx-sim on a pty link with stations 1 and 2, and
`vrxcom record` on that line with --serve on a free loopback port and --serve-writes. Then, while
it records: pymodbus reads both stations and writes station 2's set value; mbpoll (libmodbus)
reads it back and meets the hub's 0x0B for station 9, which is not on the line; a libmodbus
master of our own writes station 1's set value and reads it back. At the end the record file
holds a line for every second, no sample missed, and the set values written show in the
samples after the writes. Ends the recorder with SIGTERM while a master is connected (its
connection is closed), and vrx-sim.

Usage: /usr/bin/python3 test_hub_masters.py VRXCOM VRX_SIM HUBMASTER
"""
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile
import time

from pymodbus.client import ModbusTcpClient

from waiting import free_port, wait_for

SV = 0x4701


def mbpoll(port, *arguments, values=()):
    command = ["mbpoll", "-m", "tcp", "-p", str(port), "-0", "-1", "-t", "4", "-o", "3",
               *arguments, "127.0.0.1", *values]
    done = subprocess.run(command, capture_output=True, text=True, timeout=30)
    return done.returncode, done.stdout + done.stderr


def register(output, number):
    found = re.search(r"\[%d\]:\s+(-?\d+)" % number, output)
    return int(found.group(1)) if found else None


def seconds_of(line):
    # "0 250    1500   1 221    600        9:13:13 AM": the time of day at the end.
    found = re.search(r"(\d+):(\d\d):(\d\d) ([AP]M)\s*$", line)
    if not found:
        return None
    hour, minute, second = int(found.group(1)) % 12, int(found.group(2)), int(found.group(3))
    if found.group(4) == "PM":
        hour += 12
    return hour * 3600 + minute * 60 + second


def read_samples(record):
    # The record's sample lines: each ends with its time of day.
    try:
        with open(record, encoding="latin-1", newline="") as f:
            lines = f.read().split("\r\n")
    except FileNotFoundError:
        return []
    return [l for l in lines[1:] if seconds_of(l) is not None]


def run(framing, vrxcom, vrxsim, hubmaster, failures):
    where = tempfile.mkdtemp(prefix="vrx-hub-")
    link = os.path.join(where, "line")
    record = os.path.join(where, "rec.txt")
    port = free_port()
    sim = subprocess.Popen([vrxsim, "--link", link, "--mode", framing, "--addresses", "1,2",
                            "--options", "preset=factory"],
                           stdout=subprocess.DEVNULL)
    recorder = None
    log = ""

    def fail(text):
        failures.append(f"{framing}: {text}")

    try:
        if not wait_for(lambda: os.path.exists(link)):
            sys.exit("vrx-sim did not make its link")
        environment = {k: v for k, v in os.environ.items() if not k.startswith("VRX_COM")}
        recorder = subprocess.Popen(
            [vrxcom, "record", "--device", link, "--baud", "9600", "--format", "8N1",
             "--framing", framing, "--addresses", "1,2", "--out", record,
             "--serve", str(port), "--serve-writes"],
            stderr=subprocess.PIPE, text=True, env=environment, cwd=where)
        line = recorder.stderr.readline()
        if "serving COM1 to Modbus TCP masters on 127.0.0.1:%d" % port not in line:
            sys.exit(f"the recorder did not serve: {line!r}")
        started = time.monotonic()

        client = ModbusTcpClient("127.0.0.1", port=port, timeout=5)
        if not client.connect():
            fail("pymodbus cannot connect")
        for unit in (1, 2):
            answer = client.read_holding_registers(0x4700, 2, slave=unit)
            if answer.isError() or len(answer.registers) != 2:
                fail(f"pymodbus read of station {unit}: {answer}")
        answer = client.write_register(SV, 333, slave=2)
        if answer.isError():
            fail(f"pymodbus write: {answer}")
        answer = client.read_holding_registers(0x4700, 2, slave=9)
        if not answer.isError() or getattr(answer, "exception_code", None) != 0x0B:
            fail(f"pymodbus read of station 9 should meet 0x0B: {answer}")
        client.close()

        status, out = mbpoll(port, "-a", "2", "-r", str(SV), "-c", "1")
        if status != 0 or register(out, SV) != 333:
            fail(f"mbpoll reads back 333: {out}")
        status, out = mbpoll(port, "-a", "9", "-r", str(SV), "-c", "1")
        if status == 0 or "Target device failed to respond" not in out:
            fail(f"mbpoll: station 9 should meet 0x0B: {out}")

        done = subprocess.run([hubmaster, str(port), "write", "1", str(SV), "555",
                               "read", "1", str(SV), "1", "read", "1", "0", "1"],
                              capture_output=True, text=True, timeout=30)
        if done.stdout.split("\n")[:3] != ["written", "read 555", "exception 2"]:
            fail(f"libmodbus master: {done.stdout!r} {done.stderr!r}")

        # Three samples with both written set values, then the end, with a master still
        # connected: SIGTERM ends the serving with the recording, and the master sees its
        # connection closed.
        def after_writes():
            samples = [l.split() for l in read_samples(record)]
            return sum(1 for s in samples if s[2] == "555" and s[5] == "333") >= 3

        if not wait_for(after_writes):
            fail("the written set values did not reach three samples")
        connected = socket.create_connection(("127.0.0.1", port), timeout=10)
        recorder.send_signal(signal.SIGTERM)
        recorder.wait(timeout=20)
        try:
            if connected.recv(1) != b"":
                fail("a master's connection still gave bytes after the end")
        except ConnectionResetError:
            pass
        connected.close()
        log = recorder.stderr.read()
        if recorder.returncode != 0:
            fail(f"the recorder ended with {recorder.returncode}: {log}")
        with open(record, encoding="latin-1", newline="") as f:
            lines = f.read().split("\r\n")
        samples = read_samples(record)
        if lines[-2:] != ["End", ""]:
            fail(f"the record does not end with End: {lines[-3:]}")
        if any("---" in l for l in samples):
            fail("a sample was missed:\n" + "\n".join(samples))
        times = [seconds_of(l) for l in samples]
        steps = {b - a for a, b in zip(times, times[1:])}
        if not steps <= {1}:
            fail(f"samples are not one a second: {times}")
        if len(samples) < int(time.monotonic() - started) - 2:
            fail(f"{len(samples)} samples in {time.monotonic() - started:.1f} s")
        if not samples:
            fail(f"no samples: {lines[:5]} {log}")
            return
        last = samples[-1].split()
        if last[2] != "555" or last[5] != "333":
            fail(f"the written set values are not recorded: {samples[-1]}")
        if "127.0.0.1:" not in log or "writes 06 47 01 01 4D: done" not in log:
            fail(f"the writes are not logged with their masters: {log}")
    finally:
        if recorder and recorder.poll() is None:
            recorder.kill()
            recorder.wait()
        sim.terminate()
        sim.wait(timeout=15)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    failures = []
    for framing in ("rtu", "ascii"):
        run(framing, *sys.argv[1:], failures)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
