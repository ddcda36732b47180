"""An open USB-6093: readings, digital lines, properties and the removal wait."""

from __future__ import annotations

import ctypes
import warnings
import weakref
from ctypes import byref, c_float, c_uint16, c_uint32
from typing import Iterable, List, Optional, Sequence, Tuple

from . import _native, names
from .errors import QmsError, check, device_code
from .names import InputRange, ScaleLike, TcType, TempScale, TypeLike

# Error indexes the package tells apart.
ERRIDX_PARAMETERS = 20   # the stored channel settings could not be read at open
ERRIDX_BURNOUT = 66      # thermocouple open

# Property codes of DeviceGetProperty / DeviceSetProperty.
PROP_BOARD_ID = 0x0001           # the device type code (BoardID, 198)
PROP_SWITCH_ID = 0x0002          # the module's board number
PROP_BURNOUT = 0x1003
PROP_EXCEPTIONS_4_20 = 0x1004
PROP_USER_DATA = 0x8000
USER_DATA_BYTES = 32
BLOCK_RANGE_INDEX = 0x210
FIRMWARE_TEXT_BYTES = 64

EVENT_REMOVED = 0x0400
EVENT_CLOSING = 0xFFFE
EVENT_TIMEOUT = 0xFFFF
# CheckEvent waits at most this long per call, so that Ctrl-C reaches a script that waits.
WAIT_SLICE_MS = 500

DIGITAL_PORT = 0
MAX_DEVICE_NUMBER = 254


class QmsWarning(UserWarning):
    """Something the library reported that leaves the device usable."""


class Temperature(float):
    """A thermocouple reading: a float in the scale asked for, with what it came from.

    ``burnout`` is True when the thermocouple is open; the value is then what the channel's
    burn-out setting reports (888888, -888888, the range's limit as a temperature, or 0 V as
    a temperature)."""

    channel: int
    type: TcType
    scale: TempScale
    burnout: bool

    def __new__(
        cls, value: float, channel: int, type: TcType, scale: TempScale, burnout: bool = False
    ) -> "Temperature":
        self = super().__new__(cls, value)
        self.channel = channel
        self.type = type
        self.scale = scale
        self.burnout = burnout
        return self

    @property
    def unit(self) -> str:
        return names.UNITS[self.scale]

    def __repr__(self) -> str:
        flag = ", burnout=True" if self.burnout else ""
        return (
            f"Temperature({_float32_text(self)}, channel={self.channel}, type={self.type.name!r}, "
            f"unit={self.unit!r}{flag})"
        )

    def __reduce__(self):
        return (type(self), (float(self), self.channel, self.type, self.scale, self.burnout))


def _float32_text(value: float) -> str:
    """The shortest text that gives back the same 32-bit float: the library computes in
    binary32, and its widened digits beyond that say nothing."""
    for digits in range(6, 10):
        text = f"{value:.{digits}g}"
        if c_float(float(text)).value == value:
            return text if any(c in text for c in ".enai") else text + ".0"
    return repr(float(value))


def _close(api: _native.Api, handle: c_uint32) -> None:
    if handle.value:
        api.DeviceClose(byref(handle))


class Device:
    """An open device. Use it as a context manager, or call close(); every method raises
    QmsError when the library refuses, and ValueError once the device is closed.

    Calls on one device are carried out one at a time by the library; several threads may
    share a Device."""

    def __init__(self, number: int) -> None:
        self.number = names.integer(number, "device number", 0, MAX_DEVICE_NUMBER)
        self._api = _native.api()
        self._handle = c_uint32()
        # Set before the handle is released, so that a thread that the release wakes (or
        # that finds the handle gone) knows the device was closed, not lost.
        self._closing = False
        code = self._api.DeviceOpen(self.number, byref(self._handle))
        self._finalizer = weakref.finalize(self, _close, self._api, self._handle)
        if code == device_code(self.number, ERRIDX_PARAMETERS) and self._handle.value:
            # The handle works; the channels' stored settings read as 0 until written.
            warnings.warn(str(QmsError(code, "DeviceOpen")), QmsWarning, stacklevel=3)
        else:
            check(code, "DeviceOpen")

    # ---- open and close ----

    @property
    def closed(self) -> bool:
        return self._closing or not self._handle.value

    def close(self) -> None:
        """Releases the device; the handle is freed at the last close in the process."""
        self._closing = True
        self._finalizer()

    def __enter__(self) -> "Device":
        self._live()
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else f"handle {self._handle.value:#x}"
        return f"<qms6093.Device {self.number} {state}>"

    def _live(self) -> int:
        handle = self._handle.value
        if self._closing or not handle:
            raise ValueError(f"device {self.number} is closed")
        return handle

    # ---- analog input ----

    def _set_range(self, handle: int, channel: int, rng: InputRange) -> None:
        # A thermocouple range cannot be set through the analog configuration; its channel
        # is read in the range the module holds for it.
        if not rng.thermocouple:
            check(self._api.AIConfig(handle, channel, rng.code), "AIConfig")

    def _read_value(self, channel: int, rng: "InputRange | None", current: bool) -> float:
        handle = self._live()
        if rng is None:
            rng = self.stored_ranges()[channel]
            if rng is None:
                raise ValueError(f"channel {channel} has no stored range; name one with range=")
            if rng.current != current:
                other = "milliamps()" if rng.current else "volts()"
                raise ValueError(
                    f"channel {channel} is set to {rng.name}; read it with {other} or name a range"
                )
        self._set_range(handle, channel, rng)
        value = c_float()
        check(self._api.AIVoltageIn(handle, channel, rng.code, 0, byref(value)), "AIVoltageIn")
        return value.value

    def stored_ranges(self) -> Tuple[Optional[InputRange], ...]:
        """The range each channel is stored with in the module (what it takes at power-up and
        keeps after a reading): a voltage, current or thermocouple row of input_ranges(), or
        None for an index that names none."""
        values = (c_uint32 * names.CHANNELS)()
        code = self._api.QmsReadDeviceParameters(self._live(), BLOCK_RANGE_INDEX, 0, names.CHANNELS, values)
        check(code, "QmsReadDeviceParameters")
        return tuple(names.range_of_index(v) for v in values)

    def volts(self, channel: int, range: "str | int | None" = None) -> float:
        """The voltage on a channel, in volts. With `range`, a range name of input_ranges()
        ("0-0.015V" to "0-2.5V") or its code, the channel is set to that range first, and the
        module keeps it; without, the channel is read in its stored range (a thermocouple
        channel gives its EMF)."""
        ch = names.channel(channel)
        rng = None if range is None else names.input_range(range, current=False)
        return self._read_value(ch, rng, current=False)

    def milliamps(self, channel: int, range: "str | int | None" = None) -> float:
        """The current on a channel, in milliamperes. With `range` ("4-20mA" or "0-20mA") the
        channel is set to that range first; without, it must be stored as a current range. A
        4-20 mA loop below 3 mA reads as its 4-20 mA exception setting says."""
        ch = names.channel(channel)
        rng = None if range is None else names.input_range(range, current=True)
        return self._read_value(ch, rng, current=True)

    # ---- temperatures ----

    def _burnout_or_check(self, code: int, function: str) -> bool:
        if code == device_code(self.number, ERRIDX_BURNOUT):
            return True
        check(code, function)
        return False

    def temperature(self, channel: int, type: TypeLike = "K", scale: ScaleLike = "C") -> Temperature:
        """A thermocouple channel's temperature, cold-junction compensated, in `scale` ("C",
        "F", "R" or "K"). An open thermocouple is not an error: the result has burnout set."""
        ch = names.channel(channel)
        tc = names.tc_type(type, readable=True)
        sc = names.scale(scale)
        return self._temperature(self._live(), ch, tc, sc)

    def _temperature(self, handle: int, channel: int, tc: TcType, sc: TempScale) -> Temperature:
        value = c_float()
        code = self._api.TCMuxRead(handle, channel, 0, 0, tc, sc, byref(value))
        burnout = self._burnout_or_check(code, "TCMuxRead")
        return Temperature(value.value, channel, tc, sc, burnout)

    def temperatures(
        self,
        channels: Iterable[int] = tuple(range(names.CHANNELS)),
        types: "TypeLike | Sequence[TypeLike]" = "K",
        scale: ScaleLike = "C",
    ) -> List[Temperature]:
        """Several thermocouple channels, in the order given: `types` is one type for all or
        one per channel. Where the library offers its scan, each run of consecutive channels
        is read in one scan, otherwise channel by channel; the values are the same either
        way. A failure fails the whole call."""
        chs = names.channels(channels)
        tcs = [names.tc_type(t, readable=True) for t in names.sequence_of(types, len(chs), "types")]
        sc = names.scale(scale)
        handle = self._live()
        if self._api.QmsTcScan is None:
            return [self._temperature(handle, ch, tc, sc) for ch, tc in zip(chs, tcs)]
        by_channel = {}
        for run in _runs(chs):
            start = chs.index(run[0])
            for reading in self._scan(handle, run, tcs[start : start + len(run)], sc):
                by_channel[reading.channel] = reading
        return [by_channel[ch] for ch in chs]

    def _scan(
        self, handle: int, chs: Sequence[int], tcs: Sequence[TcType], sc: TempScale
    ) -> List[Temperature]:
        count = len(chs)
        values = (c_float * count)()
        status = (c_uint32 * count)()
        code = self._api.QmsTcScan(handle, chs[0], count, (c_uint16 * count)(*tcs), sc, values, status)
        check(code, "QmsTcScan")
        return [
            Temperature(values[i], ch, tcs[i], sc, status[i] == TC_BURNOUT) for i, ch in enumerate(chs)
        ]

    # ---- cold junction ----

    def cjc(self) -> float:
        """The cold-junction temperature in degrees Celsius that temperature readings are
        compensated with: the mean of the driver's once-a-second sensor readings less the
        module's CJC offset."""
        value = c_float()
        check(self._api.QmsReadCJCHistoryTemp(self._live(), byref(value)), "QmsReadCJCHistoryTemp")
        return value.value

    @property
    def cjc_offset(self) -> float:
        """The module's CJC offset in degrees Celsius (-10 to +10): how far its sensor was
        measured to read high."""
        value, code = c_float(), c_uint16()
        check(self._api.QmsReadCJCOffset(self._live(), byref(value), byref(code)), "QmsReadCJCOffset")
        return value.value

    # ---- digital input/output ----

    def di(self) -> int:
        """The eight digital inputs as one byte; bit n is line n."""
        value = c_uint16()
        check(self._api.DioReadPortByte(self._live(), DIGITAL_PORT, byref(value)), "DioReadPortByte")
        return value.value

    def do(self) -> int:
        """The eight digital outputs as the module holds them, as one byte."""
        value = c_uint16()
        check(self._api.DioGetCurrentDOByte(self._live(), DIGITAL_PORT, byref(value)), "DioGetCurrentDOByte")
        return value.value

    def set_do(self, mask: int, state: int) -> None:
        """Sets the output lines whose `mask` bit is 1 to the bits of `state`; the other
        lines keep their state. set_do(0xFF, x) writes the whole port."""
        m = names.byte(mask, "mask")
        s = names.byte(state, "state")
        check(self._api.DioWritePortByte(self._live(), DIGITAL_PORT, m, s), "DioWritePortByte")

    # ---- properties ----

    def _property(self, code: int, size: int) -> bytes:
        buffer = ctypes.create_string_buffer(size)
        length = c_uint32(size)
        check(self._api.DeviceGetProperty(self._live(), code, buffer, byref(length)), "DeviceGetProperty")
        return buffer.raw[: length.value]

    def _set_property(self, code: int, data: bytes) -> None:
        buffer = ctypes.create_string_buffer(data, len(data))
        check(self._api.DeviceSetProperty(self._live(), code, buffer, len(data)), "DeviceSetProperty")

    def _settings(self, code: int) -> Tuple[int, ...]:
        return tuple((c_uint32 * names.CHANNELS).from_buffer_copy(self._property(code, 4 * names.CHANNELS)))

    def _set_settings(self, code: int, values: Sequence[int], what: str, highest: int) -> None:
        items = names.sequence_of(values, names.CHANNELS, what)
        checked = [names.integer(v, what, 0, highest) for v in items]
        self._set_property(code, bytes((c_uint32 * names.CHANNELS)(*checked)))

    @property
    def firmware(self) -> str:
        """The module's firmware version text."""
        text = ctypes.create_string_buffer(FIRMWARE_TEXT_BYTES)
        check(self._api.QmsReadFirmwareVersion(self._live(), text, len(text)), "QmsReadFirmwareVersion")
        return text.value.decode("utf-8", errors="replace")

    @property
    def board_id(self) -> int:
        """The module's board number (the SwitchID the device was installed with)."""
        return c_uint32.from_buffer_copy(self._property(PROP_SWITCH_ID, 4)).value

    @property
    def type_code(self) -> int:
        """The device type code of the installed device: 198 for a USB-6093."""
        return c_uint32.from_buffer_copy(self._property(PROP_BOARD_ID, 4)).value

    @property
    def burnout(self) -> Tuple[int, ...]:
        """Burn-out setting of each channel, read from the module: 0 disabled, 1 reports
        888888, 2 -888888, 3 the range's maximum, 4 its minimum. Assign one value for all
        channels or eight."""
        return self._settings(PROP_BURNOUT)

    @burnout.setter
    def burnout(self, values: "int | Sequence[int]") -> None:
        self._set_settings(PROP_BURNOUT, values, "burnout setting", 4)

    @property
    def exception_4_20(self) -> Tuple[int, ...]:
        """What a 4-20 mA channel reads when its loop is open (below 3 mA), per channel:
        0 the upper limit (20 mA), 1 the lower limit (4 mA), 2 the last value read."""
        return self._settings(PROP_EXCEPTIONS_4_20)

    @exception_4_20.setter
    def exception_4_20(self, values: "int | Sequence[int]") -> None:
        self._set_settings(PROP_EXCEPTIONS_4_20, values, "4-20 mA exception setting", 2)

    @property
    def label(self) -> str:
        """The 32-byte label the module keeps in its EEPROM (the device setting dialog's user
        data), as text."""
        return self._property(PROP_USER_DATA, USER_DATA_BYTES).split(b"\0", 1)[0].decode("latin-1")

    @label.setter
    def label(self, text: str) -> None:
        if not isinstance(text, str):
            raise TypeError(f"label must be a str, not {type(text).__name__}")
        try:
            data = text.encode("latin-1")
        except UnicodeEncodeError:
            raise ValueError("label must be Latin-1 text") from None
        if len(data) > USER_DATA_BYTES:
            raise ValueError(f"label must be at most {USER_DATA_BYTES} characters, not {len(data)}")
        self._set_property(PROP_USER_DATA, data.ljust(USER_DATA_BYTES, b"\0"))

    # ---- removal ----

    def wait_removed(self, timeout: "float | None" = None) -> bool:
        """Waits until the module is unplugged: True when it was, False when `timeout`
        seconds passed first (None waits as long as it takes). Closing the device from
        another thread ends the wait with ValueError."""
        remaining = None if timeout is None else names.timeout_ms(timeout)
        event = c_uint16()
        while True:
            slice_ms = WAIT_SLICE_MS if remaining is None else min(remaining, WAIT_SLICE_MS)
            code = self._api.CheckEvent(self._live(), byref(event), slice_ms)
            if code != 0 or event.value == EVENT_CLOSING:
                self._live()  # closed by another thread between two slices, or during one
                check(code, "CheckEvent")
                raise ValueError(f"device {self.number} is closed")  # by a raw DeviceClose
            if event.value == EVENT_REMOVED:
                return True
            if event.value != EVENT_TIMEOUT:
                raise OSError(f"device {self.number}: the wait for the removal failed")
            if remaining is not None:
                remaining -= slice_ms
                if remaining <= 0:
                    return False


TC_BURNOUT = 1  # status of a scanned channel whose thermocouple is open


def _runs(channels: Tuple[int, ...]) -> List[Tuple[int, ...]]:
    """The channels cut where the next is not the one above: (6, 7, 0, 1) -> (6, 7), (0, 1).
    A scan reads one such run, without wrapping past channel 7."""
    runs = [[channels[0]]]
    for channel in channels[1:]:
        if channel == runs[-1][-1] + 1:
            runs[-1].append(channel)
        else:
            runs.append([channel])
    return [tuple(run) for run in runs]


def open(number: int = 0) -> Device:  # noqa: A001 - the package's entry point, as io.open
    """Opens device `number`; use it as ``with qms6093.open(0) as dev: ...``."""
    return Device(number)
