#!/usr/bin/python3
"""pymodbus TCP servers with the Monitor's two controllers, for the network line tests.

The framer says what it stands for: "rtu" or "ascii", a transparent serial server (the serial
frames as they are, over TCP); "socket", a Modbus TCP gateway (MBAP). Stations 1 and 2 hold the
registers of monitor_modbus_server.py; any other station is missing, which the gateway answers
with exception 0x0B. Listens on 127.0.0.1 at a free port, prints "ready PORT" and serves until
SIGTERM.

Usage: /usr/bin/python3 modbus_tcp_server.py rtu|ascii|socket
"""
import asyncio
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncTcpServer
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer, ModbusSocketFramer

from modbus_serial_server import FIRST
from monitor_modbus_server import registers

FRAMERS = {"rtu": ModbusRtuFramer, "ascii": ModbusAsciiFramer, "socket": ModbusSocketFramer}


async def serve(framer):
    stations = {1: registers(250, 1000, 0), 2: registers(-105, 600, 1)}
    slaves = {
        address: ModbusSlaveContext(hr=ModbusSequentialDataBlock(FIRST, list(values)),
                                    zero_mode=True)
        for address, values in stations.items()
    }
    context = ModbusServerContext(slaves=slaves, single=False)
    server = await StartAsyncTcpServer(context=context, framer=framer,
                                       address=("127.0.0.1", 0), defer_start=True,
                                       ignore_missing_slaves=False)
    task = asyncio.create_task(server.serve_forever())
    await server.serving
    port = server.server.sockets[0].getsockname()[1]
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    loop.add_signal_handler(signal.SIGINT, stop.set)
    print(f"ready {port}", flush=True)
    await stop.wait()
    task.cancel()


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in FRAMERS:
        sys.exit(__doc__)
    asyncio.run(serve(FRAMERS[sys.argv[1]]))
