"""The installed devices, as the registry lists them."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Dict, List, Optional

from . import _native
from .errors import check


class _QmsDeviceInfo(ctypes.Structure):
    _fields_ = [
        ("deviceNumber", ctypes.c_uint32),
        ("boardID", ctypes.c_uint32),
        ("deviceType", ctypes.c_uint32),
        ("callName", ctypes.c_char * 16),
        ("present", ctypes.c_uint8),
        ("simulated", ctypes.c_uint8),
        ("reserved", ctypes.c_uint8 * 2),
    ]


assert ctypes.sizeof(_QmsDeviceInfo) == 32


@dataclass(frozen=True)
class DeviceInfo:
    """One installed device number."""

    number: int              # what qms6093.open() takes
    board_id: int            # the module's board number
    type_code: int           # 198 for a USB-6093
    call_name: str           # the stream device, "U931:"
    present: bool            # the module is attached now
    simulated: bool          # a simulated module of this board number is plugged
    serial: Optional[str]    # the simulated module's serial; None for hardware

    @property
    def state(self) -> str:
        return "present" if self.present else "absent"


def _simulated_serials() -> Dict[int, str]:
    """Board number -> serial of the simulated modules plugged now."""
    from . import sim

    serials = {}
    for module in sim.modules():
        try:
            state = module.state()
        except sim.SimError:
            continue  # unplugged meanwhile
        serials.setdefault(state["board_number"], state["serial"])
    return serials


def devices() -> List[DeviceInfo]:
    """Every installed device number in ascending order, with its board ID, stream device,
    whether its module is attached and, for a simulated module, its serial."""
    api = _native.api()
    count = ctypes.c_uint32()
    while True:
        capacity = count.value
        entries = (_QmsDeviceInfo * max(capacity, 1))()
        check(api.QmsListDevices(entries, capacity, ctypes.byref(count)), "QmsListDevices")
        if count.value <= capacity:
            break  # the list did not grow between the two calls
    listed = entries[: count.value]
    serials = _simulated_serials() if any(e.simulated for e in listed) else {}
    return [
        DeviceInfo(
            number=e.deviceNumber,
            board_id=e.boardID,
            type_code=e.deviceType,
            call_name=e.callName.decode("utf-8", errors="replace"),
            present=bool(e.present),
            simulated=bool(e.simulated),
            serial=serials.get(e.boardID) if e.simulated else None,
        )
        for e in listed
    ]

