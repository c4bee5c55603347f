"""Serving holding registers with pymodbus on a serial port, for the interop tests' servers.

serve_stations(stations, usage): stations maps a station address to its 256 register values
from 0x4700. The command line is PORT ascii|rtu; the port is opened at 9600 8N1, "ready" is
printed once it is open, and the server runs until SIGTERM or SIGINT.
"""
import asyncio
import signal
import sys

from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusServerContext,
                                ModbusSlaveContext)
from pymodbus.server import StartAsyncSerialServer
from pymodbus.transaction import ModbusAsciiFramer, ModbusRtuFramer

FIRST = 0x4700


async def _serve(port, framer, stations):
    # zero_mode: request addresses are the register numbers themselves, no offset of one.
    slaves = {
        address: ModbusSlaveContext(hr=ModbusSequentialDataBlock(FIRST, list(values)),
                                    zero_mode=True)
        for address, values in stations.items()
    }
    context = ModbusServerContext(slaves=slaves, single=False)
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


def serve_stations(stations, usage):
    if len(sys.argv) != 3 or sys.argv[2] not in ("ascii", "rtu"):
        sys.exit(usage)
    framer = ModbusAsciiFramer if sys.argv[2] == "ascii" else ModbusRtuFramer
    asyncio.run(_serve(sys.argv[1], framer, stations))
