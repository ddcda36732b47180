"""Finding and loading the stack's shared libraries, and the C prototypes the package calls.

The device API library is looked for, in this order:

1. ``QMS6093_LIBRARY``: the library file itself, or the folder that holds it;
2. beside the package as ``cmake --install`` lays it out (``<libdir>/python/qms6093``, so the
   libraries sit two folders up);
3. the build tree of a source checkout (``<checkout>/build/lib`` beside ``python/``);
4. the system's loader (``LD_LIBRARY_PATH``, ``ldconfig``).

The simulated module's library is taken from the same folder as the API library, so that the
two always come from one build.
"""

from __future__ import annotations

import ctypes
import os
from ctypes import POINTER, c_char_p, c_float, c_int, c_long, c_size_t, c_uint16, c_uint32, c_void_p
from pathlib import Path
from typing import Iterator, Optional

API_LIBRARY = "libqms6093.so"
SIM_LIBRARY = "libqmssim.so"
SONAME_SUFFIX = ".0"

u16 = c_uint16
u32 = c_uint32
p_u16 = POINTER(c_uint16)
p_u32 = POINTER(c_uint32)
p_float = POINTER(c_float)


class LibraryNotFound(OSError):
    """The device API library (libqms6093.so) could not be found or loaded."""


def _files_in(folder: Path, name: str) -> Iterator[Path]:
    yield folder / name
    yield folder / (name + SONAME_SUFFIX)


def _candidates() -> Iterator[Path]:
    package = Path(__file__).resolve().parent
    yield from _files_in(package.parent.parent, API_LIBRARY)
    checkout = package.parent.parent
    if (checkout / "CMakeLists.txt").is_file():
        yield from _files_in(checkout / "build" / "lib", API_LIBRARY)


def _from_environment(value: str) -> Path:
    path = Path(value)
    if path.is_dir():
        for file in _files_in(path, API_LIBRARY):
            if file.exists():
                return file
        raise LibraryNotFound(f"QMS6093_LIBRARY names the folder {path}, which holds no {API_LIBRARY}")
    if not path.exists():
        raise LibraryNotFound(f"QMS6093_LIBRARY names {path}, which does not exist")
    return path


def _load_api() -> ctypes.CDLL:
    looked: list[str] = []
    value = os.environ.get("QMS6093_LIBRARY")
    if value:
        # An explicit choice is never second-guessed by a library found elsewhere.
        path = _from_environment(value)
        try:
            return ctypes.CDLL(str(path))
        except OSError as error:
            raise LibraryNotFound(f"{path} could not be loaded: {error}") from None
    for path in _candidates():
        looked.append(str(path.parent))
        if path.exists():
            try:
                return ctypes.CDLL(str(path))
            except OSError as error:
                raise LibraryNotFound(f"{path} could not be loaded: {error}") from None
    try:
        return ctypes.CDLL(API_LIBRARY + SONAME_SUFFIX)
    except OSError:
        looked.append("the system's library path")
    raise LibraryNotFound(
        f"{API_LIBRARY} was not found (looked in {', '.join(dict.fromkeys(looked))}); "
        "set QMS6093_LIBRARY to the library or to its folder "
        "(build/lib of a built tree, lib of an installed one)"
    )


def _folder_of(library: ctypes.CDLL) -> Optional[Path]:
    name = Path(library._name)
    return name.parent if name.is_absolute() or len(name.parts) > 1 else None


def _bind(target: object, library: ctypes.CDLL, prototypes) -> None:
    """Sets one attribute of `target` per prototype row: the library's function with its C
    types, or None for an optional function the library does not have."""
    for name, restype, argtypes, required in prototypes:
        try:
            function = getattr(library, name)
        except AttributeError:
            if required:
                raise LibraryNotFound(
                    f"{library._name} has no {name}: it is not the library the package needs"
                ) from None
            function = None
        else:
            function.restype = restype
            function.argtypes = list(argtypes)
        setattr(target, name, function)


REQUIRED, OPTIONAL = True, False

# The exported functions of libqms6093 the package calls: name, result, arguments, required.
API_PROTOTYPES = (
    ("DeviceOpen", u32, (u32, p_u32), REQUIRED),
    ("DeviceClose", u32, (p_u32,), REQUIRED),
    ("AIConfig", u32, (u32, u16, u16), REQUIRED),
    ("AIVoltageIn", u32, (u32, u16, u16, u16, p_float), REQUIRED),
    ("TCMuxRead", u32, (u32, u16, u16, u16, u16, u16, p_float), REQUIRED),
    ("DioReadPortByte", u32, (u32, u16, p_u16), REQUIRED),
    ("DioGetCurrentDOByte", u32, (u32, u16, p_u16), REQUIRED),
    ("DioWritePortByte", u32, (u32, u16, u16, u16), REQUIRED),
    ("CheckEvent", u32, (u32, p_u16, u32), REQUIRED),
    ("DeviceGetProperty", u32, (u32, u16, c_void_p, p_u32), REQUIRED),
    ("DeviceSetProperty", u32, (u32, u16, c_void_p, u32), REQUIRED),
    ("RetrieveAllGainInfo", u32, (u32, c_void_p, p_u16), REQUIRED),
    # The extension header.
    ("QmsErrorText", c_size_t, (u32, c_char_p, c_size_t), REQUIRED),
    ("QmsTcTemp", c_float, (c_float, u16), REQUIRED),
    ("QmsTcErrorVolts", c_float, (c_float, u16), REQUIRED),
    ("QmsConvertTempScale", c_float, (c_float, u16), REQUIRED),
    ("QmsListDevices", u32, (c_void_p, u32, p_u32), REQUIRED),
    ("QmsReadFirmwareVersion", u32, (u32, c_char_p, c_size_t), REQUIRED),
    ("QmsReadCJCHistoryTemp", u32, (u32, p_float), REQUIRED),
    ("QmsReadCJCOffset", u32, (u32, p_float, p_u16), REQUIRED),
    ("QmsReadDeviceParameters", u32, (u32, u16, u16, u16, p_u32), REQUIRED),
    ("QmsTcScan", u32, (u32, u16, u16, p_u16, u16, p_float, p_u32), OPTIONAL),
)

# The control API of the simulated modules, include/qms_sim.h.
SIM_PROTOTYPES = (
    ("qms_sim_plug", c_int, (c_char_p,), REQUIRED),
    ("qms_sim_unplug", c_int, (c_int,), REQUIRED),
    ("qms_sim_update", c_int, (c_int, c_char_p), REQUIRED),
    ("qms_sim_wire_log", c_long, (c_int, c_char_p, c_size_t), REQUIRED),
    ("qms_sim_clear_wire_log", c_int, (c_int,), REQUIRED),
    ("qms_sim_state", c_long, (c_int, c_char_p, c_size_t), REQUIRED),
    ("qms_sim_list", c_long, (c_char_p, c_size_t), REQUIRED),
    ("qms_sim_last_error", c_char_p, (), REQUIRED),
    ("qms_sim_wait_removed", c_int, (c_int, c_uint32), REQUIRED),
)


class Api:
    """libqms6093: one attribute per function of API_PROTOTYPES."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        self.folder = _folder_of(library)
        _bind(self, library, API_PROTOTYPES)


class Sim:
    """libqmssim: one attribute per function of SIM_PROTOTYPES."""

    def __init__(self, library: ctypes.CDLL) -> None:
        self.library = library
        _bind(self, library, SIM_PROTOTYPES)


_api: Optional[Api] = None
_sim: Optional[Sim] = None


def api() -> Api:
    """The API library, loaded on first use."""
    global _api
    if _api is None:
        _api = Api(_load_api())
    return _api


def _load_beside_api(name: str) -> ctypes.CDLL:
    """A library of the stack from the API library's folder (or, for an API library the
    system's loader found, by its name)."""
    folder = api().folder
    candidates = [str(f) for f in _files_in(folder, name) if f.exists()] if folder else []
    candidates.append(name + SONAME_SUFFIX)
    errors = []
    for candidate in candidates:
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            errors.append(str(error))
    raise LibraryNotFound(f"{name} was not found beside {api().library._name}: {'; '.join(errors)}")


def sim() -> Sim:
    """The simulated module's library."""
    global _sim
    if _sim is None:
        _sim = Sim(_load_beside_api(SIM_LIBRARY))
    return _sim

