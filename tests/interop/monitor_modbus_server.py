#!/usr/bin/python3
"""A pymodbus serial server for the Monitor's interop test.

Stations 1 and 2 hold the registers 0x4700-0x47FF of a controller as the Monitor reads them:
station 1 shows 25.0 with a set value of 100.0 under PID with one decimal, station 2 shows
-10.5 under ON-OFF; both with a K thermocouple, writes enabled and firmware 1.12. On the given
port in ASCII or RTU framing at 9600 8N1. Prints "ready" once the port is open and serves until
SIGTERM.

Usage: /usr/bin/python3 monitor_modbus_server.py PORT ascii|rtu
"""
from modbus_serial_server import FIRST, serve_stations


def registers(pv, sv, method):
    values = [0] * 256

    def put(reg, value):
        values[reg - FIRST] = value & 0xFFFF

    put(0x4700, pv)
    put(0x4701, sv)
    put(0x4702, 455)      # output 1: 45.5 %
    put(0x4704, 13000)    # range hi 1300.0
    put(0x4705, -2000)    # range lo -200.0
    put(0x470C, 476)      # Pb 47.6
    put(0x470D, 260)      # Ti
    put(0x4711, 120)      # P coefficient 1.20
    put(0x4713, 10)       # hysteresis 1.0
    put(0x4717, 1)        # communication writes enabled
    put(0x4719, method)   # 0 PID, 1 ON-OFF
    put(0x471B, 20)       # control period 1
    put(0x4724, 1)        # degrees C
    put(0x4725, 1)        # one decimal
    put(0x4726, 1)        # communication writes enabled
    put(0x4728, 0x44)     # output 1 and degrees C lamps
    put(0x4729, 1)        # no change of settings on the controller
    put(0x472A, 0x0112)   # firmware 1.12
    return values


if __name__ == "__main__":
    serve_stations({1: registers(250, 1000, 0), 2: registers(-105, 600, 1)}, __doc__)
