#!/usr/bin/python3
"""The recorder's page and metrics read by real clients.

Starts vrx-sim on a pty link with the demo controllers 1 and 2 (their process values move), and
`vrxcom record` on that line with --http on a free loopback port. Then:

  prometheus: Debian's prometheus, started on another free loopback port with a scrape config
      for the recorder (every second), is asked through its HTTP API for vrx_pv_celsius; every
      value it scraped of each controller is one the record file holds for it, the target is up
      with no scrape error, and the families have their declared types.
  chromium: the page loaded in headless Chromium (--dump-dom after its scripts ran) in English
      and in Traditional Chinese: each device's PV and SV on the page are values of the record,
      its status is said in words, the line's state is shown and today's file is linked.

Ends the recorder with SIGTERM (the record ends with "End") and vrx-sim.

Usage: /usr/bin/python3 test_recorder_http.py prometheus|chromium VRXCOM VRX_SIM
"""
import html.parser
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import urllib.request

from waiting import free_port, wait_for

CHROMIUM = "/usr/bin/chromium"
PROMETHEUS = "/usr/bin/prometheus"


def get(url, timeout=5):
    try:
        with urllib.request.urlopen(url, timeout=timeout) as answer:
            return answer.read().decode("utf-8")
    except OSError:
        return None


def recorded(record):
    """Each position's PV and SV values in the record's sample lines, in tenths."""
    values = {}
    try:
        with open(record, encoding="latin-1", newline="") as f:
            lines = f.read().split("\r\n")[1:]
    except FileNotFoundError:
        return values
    for line in lines:
        if not re.search(r"\d:\d\d:\d\d [AP]M\s*$", line):
            continue
        for field in range(len(line) // 16):
            text = line[16 * field:16 * field + 16]
            position, pv, sv = text[0], text[2:9].strip(), text[9:16].strip()
            if pv != "---":
                values.setdefault(int(position), {"pv": set(), "sv": set()})
                values[int(position)]["pv"].add(int(pv))
                values[int(position)]["sv"].add(int(sv))
    return values


def tenths(text):
    return int(round(float(text) * 10))


def check_prometheus(port, record, where, fail):
    if not os.access(PROMETHEUS, os.X_OK):
        sys.exit(f"{PROMETHEUS} is missing: ./scripts/setup installs it")
    web = free_port()
    config = os.path.join(where, "prometheus.yml")
    with open(config, "w") as f:
        f.write("global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
                "scrape_configs:\n  - job_name: vrxcom\n    static_configs:\n"
                f"      - targets: ['127.0.0.1:{port}']\n")
    prometheus = subprocess.Popen(
        [PROMETHEUS, f"--config.file={config}", f"--storage.tsdb.path={where}/tsdb",
         f"--web.listen-address=127.0.0.1:{web}", "--log.level=warn"],
        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    api = f"http://127.0.0.1:{web}/api/v1/"
    try:
        def series():
            text = get(api + "query?query=vrx_pv_celsius")
            if not text:
                return None
            result = json.loads(text)["data"]["result"]
            return result if len(result) == 2 else None

        if not wait_for(series, 60):
            fail("prometheus scraped no vrx_pv_celsius of two devices")
            return
        # Some scrapes more, then every scraped value is one the record holds.
        wait_for(lambda: len(json.loads(get(api + "query?query=vrx_pv_celsius[30s]"))["data"]
                             ["result"][0]["values"]) >= 5, 30)
        scraped = json.loads(get(api + "query?query=vrx_pv_celsius[30s]"))["data"]["result"]
        # The record's line of the last scraped cycle is written by now.
        values = recorded(record)
        for one in scraped:
            labels = one["metric"]
            if labels.get("com") != "COM1" or labels.get("job") != "vrxcom":
                fail(f"labels: {labels}")
            position = int(labels["position"])
            address = {"0": "1", "1": "2"}[labels["position"]]
            if labels["address"] != address:
                fail(f"position {position} is address {labels['address']}")
            got = {tenths(v) for _, v in one["values"]}
            if not got or not got <= values.get(position, {}).get("pv", set()):
                fail(f"position {position}: scraped {sorted(got)}, recorded "
                     f"{sorted(values.get(position, {}).get('pv', set()))}")
        targets = json.loads(get(api + "targets"))["data"]["activeTargets"]
        if len(targets) != 1 or targets[0]["health"] != "up" or targets[0]["lastError"]:
            fail(f"the target's scrapes: {targets}")
        metadata = json.loads(get(api + "metadata"))["data"]
        for name, kind in (("vrx_pv_celsius", "gauge"), ("vrx_exchanges_total", "counter"),
                           ("vrx_reply_duration_seconds", "histogram")):
            if metadata.get(name, [{}])[0].get("type") != kind:
                fail(f"{name} is not a {kind}: {metadata.get(name)}")
        quantile = json.loads(get(
            api + "query?query=histogram_quantile(0.9,rate(vrx_reply_duration_seconds_bucket[20s]))"))
        if len(quantile["data"]["result"]) != 2:
            fail(f"no reply time quantile per device: {quantile}")
    finally:
        prometheus.terminate()
        try:
            prometheus.wait(timeout=20)
        except subprocess.TimeoutExpired:
            prometheus.kill()
            prometheus.wait()


class PageCells(html.parser.HTMLParser):
    """The text of each element with an id or class of interest, from the dumped DOM."""

    def __init__(self):
        super().__init__()
        self.stack = []
        self.cells = {}
        self.links = []
        self.lang = None
        self.row = None

    def handle_starttag(self, tag, attributes):
        attributes = dict(attributes)
        if tag == "html":
            self.lang = attributes.get("lang")
        if tag == "tr" and (attributes.get("id") or "").startswith("device"):
            self.row = attributes["id"]
        if tag == "a":
            self.links.append(attributes.get("href"))
        key = attributes.get("id") or (
            f"{self.row}.{attributes['class'].split()[-1]}" if self.row and tag == "td" and
            attributes.get("class") else None)
        self.stack.append(key)
        if key:
            self.cells[key] = ""

    def handle_endtag(self, tag):
        if tag == "tr":
            self.row = None
        if self.stack:
            self.stack.pop()

    def handle_data(self, data):
        for key in self.stack:
            if key:
                self.cells[key] += data


def check_chromium(port, record, where, fail):
    if not os.access(CHROMIUM, os.X_OK):
        sys.exit(f"{CHROMIUM} is missing: ./scripts/setup installs it")
    for language, answers, line in (("en-US", "answers", "Line COM1: open"),
                                    ("zh-TW", "通訊正常", "通訊線路 COM1：開啟")):
        profile = tempfile.mkdtemp(prefix="chromium-", dir=where)
        done = subprocess.run(
            [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--no-first-run", f"--user-data-dir={profile}", f"--lang={language}",
             f"--accept-lang={language}",
             "--virtual-time-budget=4000", "--dump-dom", f"http://127.0.0.1:{port}/"],
            capture_output=True, text=True, timeout=120)
        page = PageCells()
        page.feed(done.stdout)
        values = recorded(record)
        want_lang = "zh-TW" if language == "zh-TW" else "en"
        if page.lang != want_lang:
            fail(f"{language}: the page is in {page.lang!r}: {done.stdout[:300]!r} {done.stderr[-500:]}")
            continue
        for position in (0, 1):
            row = f"device{position}"
            pv, sv = page.cells.get(row + ".pv"), page.cells.get(row + ".sv")
            if pv is None or sv is None:
                fail(f"{language}: no values of device {position + 1}: {page.cells}")
                continue
            if tenths(pv) not in values.get(position, {}).get("pv", set()):
                fail(f"{language}: device {position + 1} PV {pv} is not in the record")
            if tenths(sv) not in values.get(position, {}).get("sv", set()):
                fail(f"{language}: device {position + 1} SV {sv} is not in the record")
            if answers not in page.cells.get(row + ".status", ""):
                fail(f"{language}: device {position + 1}: {page.cells.get(row + '.status')!r}")
        if page.cells.get("line") != line:
            fail(f"{language}: the line's state: {page.cells.get('line')!r}")
        name = os.path.basename(record)
        if f"/files/{name}" not in page.links or f"/files/{name}.csv" not in page.links:
            fail(f"{language}: today's file is not linked: {page.links}")


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("prometheus", "chromium"):
        sys.exit(__doc__)
    client, vrxcom, vrxsim = sys.argv[1:]
    where = tempfile.mkdtemp(prefix="vrx-http-")
    link = os.path.join(where, "line")
    folder = os.path.join(where, "rec")
    port = free_port()
    failures = []
    sim = subprocess.Popen([vrxsim, "--link", link, "--mode", "rtu", "--addresses", "1,2"],
                           stdout=subprocess.DEVNULL)
    recorder = None
    try:
        if not wait_for(lambda: os.path.exists(link)):
            sys.exit("vrx-sim did not make its link")
        environment = {k: v for k, v in os.environ.items() if not k.startswith("VRX_COM")}
        recorder = subprocess.Popen(
            [vrxcom, "record", "--device", link, "--baud", "9600", "--format", "8N1",
             "--framing", "rtu", "--addresses", "1,2", "--out-dir", folder,
             "--http", str(port)],
            stderr=subprocess.PIPE, text=True, env=environment, cwd=where)
        line = recorder.stderr.readline()
        if f"page and metrics on http://127.0.0.1:{port}/" not in line:
            sys.exit(f"the recorder did not serve: {line!r}")
        if not wait_for(lambda: get(f"http://127.0.0.1:{port}/healthz") == "ok\n"):
            sys.exit("the recorder is not healthy")
        files = wait_for(lambda: json.loads(get(f"http://127.0.0.1:{port}/api/files"))["files"])
        if not files:
            sys.exit("the recorder's file is not listed")
        record = os.path.join(folder, files[0]["name"])
        wait_for(lambda: len(recorded(record).get(1, {}).get("pv", ())) >= 1)
        if client == "prometheus":
            check_prometheus(port, record, where, failures.append)
        else:
            check_chromium(port, record, where, failures.append)
        recorder.send_signal(signal.SIGTERM)
        recorder.wait(timeout=20)
        if recorder.returncode != 0:
            failures.append(f"the recorder ended with {recorder.returncode}: "
                            f"{recorder.stderr.read()}")
        with open(record, encoding="latin-1", newline="") as f:
            if not f.read().endswith("\r\nEnd\r\n"):
                failures.append("the record does not end with End")
    finally:
        if recorder and recorder.poll() is None:
            recorder.kill()
            recorder.wait()
        sim.terminate()
        sim.wait(timeout=15)
        shutil.rmtree(where, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(failures)} failed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
