#!/usr/bin/python3
"""A pymodbus serial server for the command tester's interop test.

Station 1 holds the registers 0x4700-0x47FF (0x4700 = 0x00FA, 0x4701 = 0x0190, the rest
0x1000 + offset), on the given port in ASCII or RTU framing at 9600 8N1. Prints "ready" once
the port is open and serves until SIGTERM.

Usage: /usr/bin/python3 tester_modbus_server.py PORT ascii|rtu
"""
from modbus_serial_server import serve_stations

VALUES = [0x00FA, 0x0190] + [0x1000 + i for i in range(2, 256)]

if __name__ == "__main__":
    serve_stations({1: VALUES}, __doc__)
