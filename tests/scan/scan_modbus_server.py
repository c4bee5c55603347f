#!/usr/bin/python3
"""A pymodbus serial server that is no VRX controller, for the scan's end-to-end test.

Station 5 holds registers 0x4700-0x47FF of zeros: a firmware word of 0 is no controller's. On
the given port in ASCII or RTU framing; prints "ready" once the port is open and serves until
SIGTERM.

Usage: /usr/bin/python3 scan_modbus_server.py INTEROP_FOLDER PORT ascii|rtu
"""
import sys

sys.path.insert(0, sys.argv.pop(1))
from modbus_serial_server import serve_stations  # noqa: E402

if __name__ == "__main__":
    serve_stations({5: [0] * 256}, __doc__)
