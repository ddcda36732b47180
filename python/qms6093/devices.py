"""The installed devices."""

from __future__ import annotations

from dataclasses import dataclass
from typing import List

from . import _native
from .device import MAX_DEVICE_NUMBER, PROP_SWITCH_ID
from .errors import device_code

ERR_SETTINGS = 2
ERRIDX_STREAM_OPEN = 26


@dataclass(frozen=True)
class DeviceInfo:
    """One installed device number."""

    number: int          # what qms6093.open() takes
    board_id: int        # the module's board number
    present: bool        # whether its module is plugged in now
    simulated: bool = False


def devices() -> List[DeviceInfo]:
    """Every installed device number, with its board ID and whether its module is present."""
    import ctypes

    api = _native.api()
    found = []
    for number in range(MAX_DEVICE_NUMBER + 1):
        handle = ctypes.c_uint32()
        code = api.DeviceOpen(number, ctypes.byref(handle))
        if code == ERR_SETTINGS:
            continue
        board = 0
        if handle.value:
            value = ctypes.c_uint32()
            size = ctypes.c_uint32(4)
            api.DeviceGetProperty(handle.value, PROP_SWITCH_ID, ctypes.byref(value), ctypes.byref(size))
            board = value.value
            api.DeviceClose(ctypes.byref(handle))
        found.append(DeviceInfo(number, board, code != device_code(number, ERRIDX_STREAM_OPEN), True))
    return found
