#!/usr/bin/env python3
"""Logs the eight thermocouple channels of a USB-6093 to a CSV file.

    log_thermocouples.py --device 0 --types K --interval 1 --output run.csv
    log_thermocouples.py --types K,K,J,J,T,T,K,K --count 60 --scale F
    log_thermocouples.py --sim --count 5           # eight simulated thermocouples

One line per channel and sample: time,elapsed_s,device,channel,range,value,unit,burnout. An
open thermocouple is logged with burnout 1 and the value its burn-out setting reports. The
file is complete after every sample, so Ctrl-C ends a run without losing a line.
"""

from __future__ import annotations

import argparse
import contextlib
import csv
import datetime
import os
import sys
import time

# A simulated module needs the platform without its demo module, before qms6093 starts it.
if "--sim" in sys.argv:
    os.environ.setdefault("QMS_SIM", "none")

import qms6093  # noqa: E402

CHANNELS = range(8)
SIMULATED = {
    "board_id": 0,
    "serial": "LOG-8TC",
    "terminal_c": 23.5,
    "noise_uv": 2.0,
    "channels": [
        {"thermocouple": "K", "temp_c": 21.0 + 25.0 * ch, "burnout": 1} for ch in CHANNELS
    ],
}


def arguments(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--device", type=int, default=0, help="device number (default 0)")
    parser.add_argument("--types", default="K",
                        help="one thermocouple type for all channels, or eight separated by commas")
    parser.add_argument("--scale", default="C", help="C, F, R or K (default C)")
    parser.add_argument("--interval", type=float, default=1.0, help="seconds between samples")
    parser.add_argument("--count", type=int, default=0, help="samples to take (default: until Ctrl-C)")
    parser.add_argument("--output", default="-", help="CSV file (default: standard output)")
    parser.add_argument("--sim", action="store_true", help="log a simulated module of eight thermocouples")
    args = parser.parse_args(argv)
    types = [t.strip().upper() for t in args.types.split(",")]
    if len(types) not in (1, len(CHANNELS)):
        parser.error("--types takes one type or eight")
    unknown = [t for t in types if t not in qms6093.TcType.__members__ or t == "N"]
    if unknown:
        parser.error(f"--types: {', '.join(unknown)} is not one of J K S T B R E")
    args.types = types[0] if len(types) == 1 else types
    if args.interval < 0 or args.count < 0:
        parser.error("--interval and --count must not be negative")
    return args


def log(dev, writer, out, types, scale, interval, count):
    start = time.monotonic()
    taken = 0
    while not count or taken < count:
        now = datetime.datetime.now(datetime.timezone.utc)
        elapsed = time.monotonic() - start
        for reading in dev.temperatures(CHANNELS, types, scale):
            writer.writerow([
                now.isoformat(timespec="milliseconds").replace("+00:00", "Z"),
                f"{elapsed:.3f}", dev.number, reading.channel, reading.type.name,
                f"{reading:.2f}", reading.unit, int(reading.burnout),
            ])
        out.flush()
        taken += 1
        if not count or taken < count:
            # Samples keep to the interval's grid however long a reading took.
            time.sleep(max(0.0, start + taken * interval - time.monotonic()))
    return taken


def main(argv=None):
    args = arguments(argv)
    with contextlib.ExitStack() as stack:
        number = args.device
        if args.sim:
            number = stack.enter_context(qms6093.sim.plug(SIMULATED)).device_number
        dev = stack.enter_context(qms6093.open(number))
        out = sys.stdout if args.output == "-" else stack.enter_context(open(args.output, "w", newline=""))
        writer = csv.writer(out)
        writer.writerow(["time", "elapsed_s", "device", "channel", "range", "value", "unit", "burnout"])
        try:
            taken = log(dev, writer, out, args.types, args.scale, args.interval, args.count)
        except KeyboardInterrupt:
            taken = None
        if args.output != "-":
            done = "stopped" if taken is None else f"{taken} samples"
            print(f"log_thermocouples: {done}, written to {args.output}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (qms6093.QmsError, ValueError, TypeError) as error:
        sys.exit(f"log_thermocouples: {error}")
