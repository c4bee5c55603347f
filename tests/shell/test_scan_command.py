#!/usr/bin/env python3
"""vrxcom scan as a process on simulated controllers at settings the test does not tell it: its
JSON lines read by Python's json module, the exit status, the record options printed, and a
progress line only on a terminal."""
import json
import os
import pty
import select
import subprocess
import sys
import time

vrxcom = sys.argv[1]
# Two controllers in RTU at 19200 8E1; the scan is told neither.
LINE = "sim:addresses=3,7:baud=19200:format=8E1:mode=rtu"
failures = []


def scan(args, line=LINE):
    env = dict(os.environ, VRX_COM1=line)
    return subprocess.run([vrxcom, "scan", "COM1"] + args, capture_output=True, text=True,
                          env=env, timeout=120)


def check(what, condition, detail=""):
    if not condition:
        failures.append(f"{what}: {detail}")


run = scan(["--addresses", "1-8", "--json"])
check("json exit", run.returncode == 0, f"{run.returncode} {run.stderr}")
devices = [json.loads(line) for line in run.stdout.splitlines()]
expected = [{"address": a, "framing": "rtu", "speed": 19200, "format": "8E1", "kind": "vrx"}
            for a in (3, 7)]
check("json devices", len(devices) == 2, run.stdout)
for device, want in zip(devices, expected):
    check("json keys", set(device) == set(want) | {"pv", "firmware"}, device)
    check("json values", {k: device[k] for k in want} == want, device)
    check("json pv", isinstance(device["pv"], (int, float)) and 0 < device["pv"] < 100, device)
    check("json firmware", device["firmware"] == "1.12", device)
check("json stderr", run.stderr == "", run.stderr)

run = scan(["--addresses", "1-8", "--framings", "rtu"])
check("text exit", run.returncode == 0, f"{run.returncode} {run.stderr}")
check("text record options",
      "vrxcom record --com COM1 --framing rtu --baud 19200 --format 8E1 --addresses 3,7 "
      "--out FILE" in run.stdout, run.stdout)
check("text names the controllers",
      "address 3: RTU 19200 8E1, VRX controller, firmware 1.12" in run.stdout, run.stdout)
check("no progress when not a terminal", "\r" not in run.stdout and "\x1b" not in run.stdout,
      repr(run.stdout))

run = scan(["--addresses", "1-2", "--framings", "rtu", "--speeds", "19200", "--formats", "8E1"])
check("nothing found exits 1", run.returncode == 1, f"{run.returncode} {run.stdout}")

run = scan(["--addresses", "1-300"])
check("usage exits 2", run.returncode == 2 and "--addresses" in run.stderr, run.stderr)
run = scan(["--addresses", "1"], line="")
check("line error exits 2", run.returncode == 2 and "COM1" in run.stderr, run.stderr)

# On a terminal: the progress line, rewritten in place, and the results.
master, slave = pty.openpty()
env = dict(os.environ, VRX_COM1=LINE)
process = subprocess.Popen([vrxcom, "scan", "COM1", "--addresses", "3", "--framings", "rtu"],
                           stdout=slave, stderr=subprocess.PIPE, env=env)
os.close(slave)
shown = b""
deadline = time.monotonic() + 120
while time.monotonic() < deadline:
    ready, _, _ = select.select([master], [], [], 1)
    if not ready:
        if process.poll() is not None:
            break
        continue
    try:
        chunk = os.read(master, 4096)
    except OSError:
        break
    if not chunk:
        break
    shown += chunk
process.wait(timeout=120)
text = shown.decode("utf-8", "replace")
check("terminal progress", "trying address 3 at RTU" in text and "left" in text, repr(text[:300]))
check("terminal result", "address 3: RTU 19200 8E1" in text, repr(text[-300:]))
check("terminal exit", process.returncode == 0, process.returncode)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
