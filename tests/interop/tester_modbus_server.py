#!/usr/bin/python3
"""A pymodbus serial server for the command tester's interop test.

Station 1 holds the registers 0x4700-0x47FF (0x4700 = 0x00FA, 0x4701 = 0x0190, the rest
0x1000 + offset), on the given port in ASCII or RTU framing at 9600 8N1. Prints "ready" once
the port is open and serves until SIGTERM.

Usage: /usr/bin/python3 tester_modbus_server.py PORT ascii|rtu
"""
import asyncio
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer

FIRST = 0x4700
VALUES = [0x00FA, 0x0190] + [0x1000 + i for i in range(2, 256)]


async def serve(port, framer):
    # zero_mode: request addresses are the register numbers themselves, no offset of one.
    slave = ModbusSlaveContext(hr=ModbusSequentialDataBlock(FIRST, list(VALUES)), zero_mode=True)
    context = ModbusServerContext(slaves={1: slave}, single=False)
    server = await StartAsyncSerialServer(context=context, framer=framer, port=port,
                                          baudrate=9600, bytesize=8, parity="N", stopbits=1,
                                          timeout=0.05, defer_start=True)
    await server.start()
    if server.transport is None:
        sys.exit(f"cannot open {port}")
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    print("ready", flush=True)
    await stop.wait()
    await server.shutdown()


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in ("ascii", "rtu"):
        sys.exit(__doc__)
    framer = ModbusAsciiFramer if sys.argv[2] == "ascii" else ModbusRtuFramer
    asyncio.run(serve(sys.argv[1], framer))


if __name__ == "__main__":
    main()
