#!/usr/bin/env python3
"""vrxcom export read back by Python's csv module, a parser that is not ours: a record with a
missing device (---), a midnight crossing and a cut-off last line, dated by --date and by the
file's modification time."""
import csv
import datetime
import os
import subprocess
import sys
import tempfile

vrxcom = sys.argv[1]


def field(position, pv, sv):
    if pv is None:
        return f"{position} " + "---    " + "---    "
    return f"{position} " + f"{pv} ".ljust(7) + f"{sv} ".ljust(7)


def stamp(h, m, s):
    hour = h % 12 or 12
    text = f"{hour}:{m:02d}:{s:02d} {'AM' if h < 12 else 'PM'}"
    return text.rjust(14)


header = "01  00  07  00  00  00  00  00  01"
lines = [
    field(0, 253, 300) + field(2, -5, 1000) + stamp(23, 59, 58),
    field(0, None, None) + field(2, -12, 1000) + stamp(23, 59, 59),
    field(0, 254, 300) + field(2, 0, 1000) + stamp(0, 0, 0),
]
record_text = "\r\n".join([header] + lines) + "\r\n" + "0 25"  # cut off mid-line

expected = [
    ["time", "PV position 0 address 1", "SV position 0 address 1",
     "PV position 2 address 7", "SV position 2 address 7"],
    ["2026-12-31T23:59:58", "25.3", "30.0", "-0.5", "100.0"],
    ["2026-12-31T23:59:59", "", "", "-1.2", "100.0"],
    ["2027-01-01T00:00:00", "25.4", "30.0", "0.0", "100.0"],
]

failures = []
with tempfile.TemporaryDirectory() as folder:
    record = os.path.join(folder, "rec.txt")
    with open(record, "w", newline="") as f:
        f.write(record_text)
    # Dated by --date, and by the file's time: written at 00:00:01 on 2027-01-01.
    written = datetime.datetime(2027, 1, 1, 0, 0, 1).timestamp()
    os.utime(record, (written, written))
    for args, out in ((["--date", "2026-12-31", "-o", os.path.join(folder, "a.csv")], "a.csv"),
                      ([], "rec.csv")):
        run = subprocess.run([vrxcom, "export", record] + args, capture_output=True, text=True,
                             timeout=60)
        if run.returncode != 0:
            failures.append(f"{args}: exit {run.returncode}: {run.stderr}")
            continue
        with open(os.path.join(folder, out), newline="", encoding="utf-8") as f:
            raw = f.read()
        if "\r\n" not in raw or raw.count("\r\n") != raw.count("\n"):
            failures.append(f"{out}: lines do not end in CR LF")
        rows = list(csv.reader(raw.splitlines()))
        if rows != expected:
            failures.append(f"{out}: {rows}")

    # A broken record is refused with a non-zero exit and no CSV file.
    broken = os.path.join(folder, "broken.txt")
    with open(broken, "w") as f:
        f.write("not a record\r\n")
    run = subprocess.run([vrxcom, "export", broken], capture_output=True, text=True, timeout=60)
    if run.returncode == 0 or os.path.exists(os.path.join(folder, "broken.csv")):
        failures.append("a broken record was exported")
    if "Line 1 is not the header of a record file." not in run.stderr:
        failures.append(f"broken record: {run.stderr}")

for failure in failures:
    print("FAIL:", failure)
sys.exit(1 if failures else 0)
