"""Waiting for what other processes do, always with a bound: the suite runs on busy machines,
where a fixed pause is either too short or wasted."""

import os
import select
import socket
import time


def free_port():
    """A loopback TCP port nobody listens on now."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(predicate, seconds=30):
    """The first true value of predicate(), asked until `seconds` have passed; None after.
    What it waits for (a file, a port, a line in a record) has no event to wait on, so it is
    asked again every 50 ms."""
    end = time.monotonic() + seconds
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            return None
        time.sleep(0.05)


def wait_for_line(process, text, seconds=30):
    """True once `text` has come on the process's standard output (a pipe), within `seconds`;
    False when it does not come, or the process closes its output first."""
    end = time.monotonic() + seconds
    fd = process.stdout.fileno()
    seen = b""
    wanted = text.encode()
    while wanted not in seen:
        left = end - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            return False
        chunk = os.read(fd, 4096)
        if not chunk:
            return False
        seen = seen[-len(wanted):] + chunk
    return True
