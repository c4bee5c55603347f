#!/usr/bin/python3
"""vrxcom scan end to end with real processes: vrx-sim on a pty at a speed and stop bits the
test does not tell the scan, controllers at scattered addresses; and a pymodbus RTU server on a
socat pty pair, a Modbus device that is no VRX controller. The JSON lines are read by Python's
json module.

Usage: test_scan_pty.py VRXCOM VRXSIM INTEROP_FOLDER
"""
import json
import os
import subprocess
import sys
import tempfile
import time

vrxcom, vrxsim, interop = sys.argv[1:4]
sys.path.insert(0, interop)
from waiting import wait_for, wait_for_line  # noqa: E402 (the folder is an argument)
here = os.path.dirname(os.path.abspath(__file__))
BOUND = 15  # seconds any helper may take to start
failures = []


def check(what, condition, detail=""):
    if not condition:
        failures.append(f"{what}: {detail}")


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=BOUND)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def scan(link, args):
    env = dict(os.environ, VRX_COM1=link)
    return subprocess.run([vrxcom, "scan", "COM1", "--json"] + args, capture_output=True,
                          text=True, env=env, timeout=300)


with tempfile.TemporaryDirectory() as folder:
    # RTU at 19200 with two stop bits: silent at the other speeds, bytes of no frame at one
    # stop bit, which bring the other formats at 19200 forward.
    link = os.path.join(folder, "vrx")
    sim = subprocess.Popen([vrxsim, "--link", link, "--mode", "rtu", "--addresses", "2,11,19",
                            "--options", "baud=19200:format=8N2"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        check("vrx-sim starts", wait_for_line(sim, "/", BOUND) and wait_for(lambda: os.path.exists(link), BOUND), sim.stderr)
        started = time.monotonic()
        run = scan(link, ["--addresses", "1-24"])
        took = time.monotonic() - started
        check("vrx-sim exit", run.returncode == 0, f"{run.returncode} {run.stderr}")
        found = [json.loads(line) for line in run.stdout.splitlines()]
        check("vrx-sim controllers", [(d["address"], d["framing"], d["speed"], d["format"],
                                       d["kind"]) for d in found] ==
              [(a, "rtu", 19200, "8N2", "vrx") for a in (2, 11, 19)], run.stdout)
        check("vrx-sim pv", all(isinstance(d.get("pv"), (int, float)) for d in found), found)
        print(f"vrx-sim scan: {took:.1f} s")
    finally:
        stop(sim)

    # pymodbus answers whatever the speed (socat's ptys carry bytes, not bits): found at the
    # first RTU setting, as another Modbus device.
    ours, theirs = os.path.join(folder, "ours"), os.path.join(folder, "theirs")
    socat = subprocess.Popen(["socat", "pty,raw,echo=0,link=" + ours,
                              "pty,raw,echo=0,link=" + theirs],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    server = None
    try:
        check("socat starts", wait_for(lambda: os.path.exists(ours) and os.path.exists(theirs), BOUND), "")
        server = subprocess.Popen(["/usr/bin/python3", os.path.join(here, "scan_modbus_server.py"),
                                   interop, theirs, "rtu"],
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        check("pymodbus starts", wait_for_line(server, "ready", BOUND), "")
        run = scan(ours, ["--addresses", "1-8", "--framings", "rtu"])
        check("pymodbus exit", run.returncode == 0, f"{run.returncode} {run.stderr}")
        found = [json.loads(line) for line in run.stdout.splitlines()]
        check("pymodbus device", found == [{"address": 5, "framing": "rtu", "speed": 9600,
                                            "format": "8N1", "kind": "modbus"}], run.stdout)
    finally:
        if server:
            stop(server)
        stop(socat)

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
