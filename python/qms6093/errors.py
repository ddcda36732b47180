"""The library's result codes as one exception class, with the library's own sentence."""

from __future__ import annotations

import ctypes
from typing import Optional

from . import _native

DEVICE_CODE_BASE = 4096


def error_text(code: int) -> str:
    """The library's sentence for a result code (the device number part decoded), as
    QmsErrorText gives it."""
    if not isinstance(code, int) or isinstance(code, bool):
        raise TypeError(f"code must be an int, not {type(code).__name__}")
    if not 0 <= code <= 0xFFFFFFFF:
        raise ValueError(f"code {code} is not a 32-bit result code")
    api = _native.api()
    size = 128
    while True:
        buffer = ctypes.create_string_buffer(size)
        length = api.QmsErrorText(code, buffer, size)
        if length < size:
            return buffer.value.decode("utf-8", errors="replace")
        size = length + 1


def device_code(device_number: int, error_index: int) -> int:
    """The device code of an error index: (device number x 4096) + 4096 + index."""
    return device_number * DEVICE_CODE_BASE + DEVICE_CODE_BASE + error_index


class QmsError(Exception):
    """A call the library answered with a nonzero result code.

    ``code`` is the code exactly as the C function returned it and ``text`` the library's
    sentence for it; ``function`` names the C function."""

    def __init__(self, code: int, function: Optional[str] = None) -> None:
        self.code = code
        self.function = function
        self.text = error_text(code)
        where = f"{function}: " if function else ""
        super().__init__(f"{where}{self.text} (code {code})")

    def __reduce__(self):
        return (type(self), (self.code, self.function))


def check(code: int, function: str) -> None:
    """Raises QmsError for a nonzero result code."""
    if code != 0:
        raise QmsError(code, function)
