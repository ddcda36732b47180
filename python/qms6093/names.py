"""Thermocouple types, temperature scales and input ranges by name, and the checks every
argument passes before it reaches the library: a wrong kind of value raises TypeError, a value
out of range raises ValueError, and nothing is sent to the module."""

from __future__ import annotations

import ctypes
import enum
import math
from dataclasses import dataclass
from functools import lru_cache
from typing import Sequence, Tuple, Union

from . import _native

CHANNELS = 8
PORT_MASK = 0xFF


class TcType(enum.IntEnum):
    """Thermocouple type codes of the library."""

    J = 0
    K = 1
    S = 2
    T = 3
    B = 4
    R = 5
    E = 6
    N = 7


class TempScale(enum.IntEnum):
    """Temperature scale codes of the library."""

    CELSIUS = 0
    FAHRENHEIT = 1
    RANKINE = 2
    KELVIN = 3


UNITS = {
    TempScale.CELSIUS: "°C",
    TempScale.FAHRENHEIT: "°F",
    TempScale.RANKINE: "°R",
    TempScale.KELVIN: "K",
}
_SCALE_NAMES = {
    "C": TempScale.CELSIUS,
    "CELSIUS": TempScale.CELSIUS,
    "F": TempScale.FAHRENHEIT,
    "FAHRENHEIT": TempScale.FAHRENHEIT,
    "R": TempScale.RANKINE,
    "RANKINE": TempScale.RANKINE,
    "K": TempScale.KELVIN,
    "KELVIN": TempScale.KELVIN,
}

TypeLike = Union[str, int, TcType]
ScaleLike = Union[str, int, TempScale]


def _require_int(value: object, what: str) -> int:
    # bool is an int to Python but never a channel, a mask or a code.
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    return value


def integer(value: object, what: str, low: int, high: int) -> int:
    """An int within low to high."""
    number = _require_int(value, what)
    if not low <= number <= high:
        raise ValueError(f"{what} must be {low} to {high}, not {number}")
    return number


def channel(value: object) -> int:
    return integer(value, "channel", 0, CHANNELS - 1)


def channels(values: object) -> Tuple[int, ...]:
    """A non-empty sequence of distinct channels."""
    if isinstance(values, (str, bytes)) or not hasattr(values, "__iter__"):
        raise TypeError(f"channels must be a sequence of ints, not {type(values).__name__}")
    result = tuple(channel(v) for v in values)  # type: ignore[attr-defined]
    if not result:
        raise ValueError("channels must name at least one channel")
    if len(set(result)) != len(result):
        raise ValueError(f"channels must be distinct, not {list(result)}")
    return result


def byte(value: object, what: str) -> int:
    return integer(value, what, 0, PORT_MASK)


def tc_type(value: object, readable: bool = False) -> TcType:
    """A thermocouple type by letter ("K", "k") or code (1, TcType.K). With `readable`, only
    the types a channel can be read as: the module has no input range for type N."""
    if isinstance(value, str):
        try:
            result = TcType[value.strip().upper()]
        except KeyError:
            known = ", ".join(t.name for t in TcType)
            raise ValueError(f"thermocouple type must be one of {known}, not {value!r}") from None
    else:
        code = integer(value, "thermocouple type", 0, len(TcType) - 1)
        result = TcType(code)
    if readable and result is TcType.N:
        raise ValueError(
            "the module has no input range for type N thermocouples; tc_temp() converts type N EMFs"
        )
    return result


def scale(value: object) -> TempScale:
    """A temperature scale by name ("C", "fahrenheit") or code (0 to 3)."""
    if isinstance(value, str):
        try:
            return _SCALE_NAMES[value.strip().upper()]
        except KeyError:
            raise ValueError(f"scale must be one of C, F, R, K, not {value!r}") from None
    return TempScale(integer(value, "scale", 0, len(TempScale) - 1))


def finite(value: object, what: str) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{what} must be a number, not {type(value).__name__}")
    number = float(value)
    if not math.isfinite(number):
        raise ValueError(f"{what} must be finite, not {number}")
    return number


def timeout_ms(value: object) -> int:
    """A time-out in seconds as whole milliseconds the library takes (below its INFINITE)."""
    seconds = finite(value, "timeout")
    if seconds < 0:
        raise ValueError(f"timeout must not be negative, not {seconds}")
    return min(int(math.ceil(seconds * 1000)), 0xFFFFFFFE)


@dataclass(frozen=True)
class InputRange:
    """One row of the library's internal gain list: an input range a channel can be set to."""

    index: int       # what the module stores as the channel's range index
    code: int        # range code
    name: str        # "0-2.5V", "4-20mA", "K"
    high: float      # span, volts or milliamperes
    low: float
    thermocouple: bool

    @property
    def current(self) -> bool:
        return not self.thermocouple and bool(self.code & 0x8000)

    @property
    def unit(self) -> str:
        return "mA" if self.current else "V"


class _GainRow(ctypes.Structure):
    _fields_ = [
        ("code", ctypes.c_uint32),
        ("high", ctypes.c_float),
        ("low", ctypes.c_float),
        ("name", ctypes.c_uint16 * 16),
        ("moduleCode", ctypes.c_int32),
        ("lastWord", ctypes.c_uint32),
    ]


GAIN_ROWS = 17
SELECTABLE_ROWS = 8     # voltage and current ranges, rows 0 to 7
THERMOCOUPLE_ROWS = 7   # J K S T B R E, rows 8 to 14


@lru_cache(maxsize=None)
def input_ranges() -> Tuple[InputRange, ...]:
    """The voltage and current ranges (rows 0 to 7) and the thermocouple rows (8 to 14) of
    the library's internal gain list, in table order."""
    rows = (_GainRow * GAIN_ROWS)()
    count = ctypes.c_uint16()
    _native.api().RetrieveAllGainInfo(0, rows, ctypes.byref(count))
    result = []
    for index, row in enumerate(rows[: min(count.value, SELECTABLE_ROWS + THERMOCOUPLE_ROWS)]):
        name = "".join(chr(c) for c in row.name).split("\0", 1)[0]
        result.append(
            InputRange(index, row.code & 0xFFFF, name, row.high, row.low, index >= SELECTABLE_ROWS)
        )
    return tuple(result)


def range_of_index(index: int) -> "InputRange | None":
    """The row a channel's stored range index names; None outside rows 0 to 14."""
    rows = input_ranges()
    return rows[index] if 0 <= index < len(rows) else None


def input_range(value: object, current: "bool | None" = None) -> InputRange:
    """A voltage or current range by name ("0-2.5V", "4-20ma") or range code (0x000F). With
    `current` True only current ranges are taken, with False only voltage ranges."""
    selectable = input_ranges()[:SELECTABLE_ROWS]
    if isinstance(value, str):
        wanted = value.replace(" ", "").lower()
        matches = [r for r in selectable if r.name.lower() == wanted]
    else:
        code = integer(value, "range code", 0, 0xFFFF)
        matches = [r for r in selectable if r.code == code]
    allowed = [r for r in selectable if current is None or r.current == current]
    if not matches or matches[0] not in allowed:
        kind = {None: "input", True: "current", False: "voltage"}[current]
        raise ValueError(f"{kind} range must be one of {', '.join(r.name for r in allowed)}, not {value!r}")
    return matches[0]


def sequence_of(value: object, count: int, what: str) -> Sequence[object]:
    """One value for every position, or a sequence of exactly `count` values."""
    if isinstance(value, (str, int)) or not hasattr(value, "__len__"):
        return [value] * count
    items = list(value)  # type: ignore[call-overload]
    if len(items) != count:
        raise ValueError(f"{what} must be one value or {count} values, not {len(items)}")
    return items
