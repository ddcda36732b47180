"""The USB-6093 thermocouple/voltage/current input module from Python.

A thin layer over the installed device API library (libqms6093) through ctypes::

    import qms6093

    for info in qms6093.devices():
        print(info)
    with qms6093.open(0) as dev:
        print(dev.temperature(0, "K"), dev.volts(4), dev.di())

Errors of the library raise QmsError with its code and sentence; an open thermocouple is a
reading with ``burnout`` set, not an error. Bad arguments raise TypeError or ValueError before
anything is sent to the module. ``qms6093.sim`` plugs simulated modules for trying scripts
without hardware. The library is found beside an installed package, in a source checkout's
build/lib, or where QMS6093_LIBRARY points (the file or its folder).
"""

from . import sim
from ._native import LibraryNotFound
from .device import Device, QmsWarning, Temperature, open
from .devices import DeviceInfo, devices
from .errors import QmsError, error_text
from .names import InputRange, TcType, TempScale, input_ranges
from .thermo import convert_temp_scale, tc_error_volts, tc_temp

__version__ = "0.1.0"

__all__ = [
    "Device",
    "DeviceInfo",
    "InputRange",
    "LibraryNotFound",
    "QmsError",
    "QmsWarning",
    "TcType",
    "TempScale",
    "Temperature",
    "convert_temp_scale",
    "devices",
    "error_text",
    "input_ranges",
    "open",
    "sim",
    "tc_error_volts",
    "tc_temp",
]
