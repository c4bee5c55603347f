#!/usr/bin/python3
"""vrx-sim as a Modbus TCP gateway, with libmodbus (mbpoll) as the master.

Starts vrx-sim --mbtcp on a free loopback port with station 1 at factory settings, then with
mbpoll: reads the set value 0x4701, writes 500 to it and reads it back; reads station 9, which
is not on the line, and expects the gateway's "target device failed to respond" (0x0B). Ends
vrx-sim with SIGTERM.

Usage: /usr/bin/python3 test_sim_mbpoll.py VRX_SIM
"""
import re
import subprocess
import sys


def mbpoll(port, *arguments, values=()):
    # Values to write come after the host.
    command = ["mbpoll", "-m", "tcp", "-p", str(port), "-0", "-1", "-t", "4", "-o", "2",
               *arguments, "127.0.0.1", *values]
    done = subprocess.run(command, capture_output=True, text=True, timeout=20)
    return done.returncode, done.stdout + done.stderr


def register(output, number):
    found = re.search(r"\[%d\]:\s+(-?\d+)" % number, output)
    return int(found.group(1)) if found else None


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sim = subprocess.Popen([sys.argv[1], "--mbtcp", "127.0.0.1:0", "--addresses", "1",
                            "--options", "preset=factory"],
                           stdout=subprocess.PIPE, text=True)
    failures = []
    try:
        line = sim.stdout.readline().strip()
        if not line.startswith("listening on"):
            sys.exit(f"vrx-sim did not start: {line!r}")
        port = int(line.rsplit(":", 1)[1])

        status, out = mbpoll(port, "-a", "1", "-r", str(0x4701), "-c", "1")
        if status != 0 or register(out, 0x4701) is None:
            failures.append(f"read set value: {out}")
        status, out = mbpoll(port, "-a", "1", "-r", str(0x4701), values=("500",))
        if status != 0:
            failures.append(f"write set value: {out}")
        status, out = mbpoll(port, "-a", "1", "-r", str(0x4701), "-c", "1")
        if register(out, 0x4701) != 500:
            failures.append(f"read back 500: {out}")
        status, out = mbpoll(port, "-a", "9", "-r", str(0x4700), "-c", "1")
        if status == 0 or "Target device failed to respond" not in out:
            failures.append(f"station 9 should meet exception 0x0B: {out}")
    finally:
        sim.terminate()
        sim.wait(timeout=15)
    for failure in failures:
        print("FAIL:", failure)
    passed = 4 - len(failures)
    print(f"{passed} passed, {len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
