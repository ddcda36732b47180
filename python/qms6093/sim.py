"""Simulated USB-6093 modules, so that a script can be tried without hardware.

A simulated module sits on the platform's USB bus and answers the stack exactly as a real one;
the stream driver gives it a device number as it would a real module. Modules are described by
scenarios (dicts, or their JSON text) with the keys listed in sim/README.md::

    with qms6093.sim.plug({"board_id": 3, "channels": [{"thermocouple": "K", "temp_c": 250}]}) as module:
        with qms6093.open(module.device_number) as dev:
            print(dev.temperature(0, "K"))
"""

from __future__ import annotations

import ctypes
import json
from typing import Any, Callable, Dict, List, Mapping, Optional, Union

from . import _native, names

Scenario = Union[Mapping[str, Any], str]


class SimError(RuntimeError):
    """The simulated module's control API refused a call; the message is its own."""


class ScenarioError(SimError, ValueError):
    """A scenario or patch that the simulated module does not accept (nothing was changed);
    the message names the offending field."""


def _sim() -> _native.Sim:
    return _native.sim()


def _last_error() -> str:
    message = _sim().qms_sim_last_error()
    return message.decode("utf-8", errors="replace") if message else ""


def _json_text(value: Scenario, what: str) -> bytes:
    if isinstance(value, str):
        return value.encode("utf-8")
    if not isinstance(value, Mapping):
        raise TypeError(f"{what} must be a dict or its JSON text, not {type(value).__name__}")
    try:
        return json.dumps(dict(value)).encode("utf-8")
    except (TypeError, ValueError) as error:
        raise TypeError(f"{what} cannot be written as JSON: {error}") from None


def _text(call: Callable[[Optional[ctypes.Array], int], int], what: str) -> str:
    """A text of one of the list, state or wire-log calls, whatever its length."""
    size = 4096
    while True:
        buffer = ctypes.create_string_buffer(size)
        length = call(buffer, size)
        if length < 0:
            raise SimError(f"{what}: no such simulated module")
        if length < size:
            return buffer.value.decode("utf-8", errors="replace")
        size = length + 1


def _id(module: "Module | int") -> int:
    if isinstance(module, Module):
        return module.id
    return names.integer(module, "module id", 1, 2**31 - 1)


class Module:
    """A plugged simulated module. As a context manager it is unplugged at the end."""

    def __init__(self, module_id: int) -> None:
        self.id = module_id

    def __repr__(self) -> str:
        return f"<qms6093.sim.Module {self.id}>"

    def __enter__(self) -> "Module":
        return self

    def __exit__(self, *exc_info: object) -> None:
        # A module the script unplugged itself is unknown by now, which is fine here.
        _sim().qms_sim_unplug(self.id)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Module) and other.id == self.id

    def __hash__(self) -> int:
        return hash(self.id)

    @property
    def serial(self) -> str:
        return self.state()["serial"]

    @property
    def board_id(self) -> int:
        return self.state()["board_number"]

    @property
    def device_number(self) -> int:
        """The device number the stream driver gave the module."""
        from .devices import devices

        board = self.board_id
        for info in devices():
            if info.present and info.simulated and info.board_id == board:
                return info.number
        raise SimError(f"simulated module {self.id} has no device number (is it unplugged?)")

    def unplug(self) -> None:
        """Unplugs the module; the stack sees it removed. Its non-volatile memory is kept by
        its serial, so plugging the same serial again finds it."""
        if _sim().qms_sim_unplug(self.id) != 0:
            raise SimError(f"unplug: no such simulated module {self.id}")

    def update(self, patch: Optional[Scenario] = None, **fields: Any) -> None:
        """Changes the running module's inputs and faults: terminal_c, cjc_error_c, di,
        noise_uv, seed, channels (a list whose None entries keep a channel, or a dict keyed
        by channel number), faults, add_faults, clear_faults, ... A patch that is not
        accepted changes nothing and raises ScenarioError."""
        if patch is None:
            patch = {}
        if fields:
            if not isinstance(patch, Mapping):
                raise TypeError("give a patch dict or keyword fields, not JSON text and fields")
            patch = {**patch, **fields}
        if _sim().qms_sim_update(self.id, _json_text(patch, "patch")) != 0:
            raise ScenarioError(_last_error() or f"update: no such simulated module {self.id}")

    def state(self) -> Dict[str, Any]:
        """The module's state: serial, board_number, inputs, do, blocks, cjc offsets, ..."""
        return json.loads(_text(lambda buf, size: _sim().qms_sim_state(self.id, buf, size), "state"))

    def wire_log(self) -> List[Dict[str, Any]]:
        """Every request the module saw, oldest first, one dict each: seq, setup, dir
        ("in"/"out"), group, command, length, data (hex bytes), outcome, bytes, latency_us
        and fault for an injected one."""
        text = _text(lambda buf, size: _sim().qms_sim_wire_log(self.id, buf, size), "wire_log")
        return [json.loads(line) for line in text.splitlines() if line.strip()]

    def clear_wire_log(self) -> None:
        if _sim().qms_sim_clear_wire_log(self.id) != 0:
            raise SimError(f"clear_wire_log: no such simulated module {self.id}")

    def wait_removed(self, timeout: float = 5.0) -> bool:
        """After unplug(): waits until the stack has finished removing the module (its device
        number is free for the next plug). True when it has, False on time-out. Close the
        module's devices first: the removal waits for every handle."""
        timeout_ms = names.timeout_ms(timeout)
        result = _sim().qms_sim_wait_removed(self.id, timeout_ms)
        if result == -1:
            raise SimError(f"wait_removed: simulated module {self.id} is unknown or was never unplugged")
        return result == 0


def plug(scenario: Optional[Scenario] = None, **fields: Any) -> Module:
    """Plugs a module described by a scenario dict (or its JSON text, or keyword fields) and
    returns it once the stream driver has attached it. Boots the platform first."""
    if scenario is None:
        scenario = {}
    if fields:
        if not isinstance(scenario, Mapping):
            raise TypeError("give a scenario dict or keyword fields, not JSON text and fields")
        scenario = {**scenario, **fields}
    text = _json_text(scenario, "scenario")
    module_id = _sim().qms_sim_plug(text)
    if module_id == -1:
        raise ScenarioError(_last_error())
    if module_id <= 0:
        raise SimError(_last_error() or "the platform refused to plug the module")
    return Module(module_id)


def unplug(module: "Module | int") -> None:
    """Unplugs a module (a Module or its id)."""
    Module(_id(module)).unplug()


def update(module: "Module | int", patch: Optional[Scenario] = None, **fields: Any) -> None:
    """Changes a running module's inputs and faults; see Module.update."""
    Module(_id(module)).update(patch, **fields)


def wire_log(module: "Module | int") -> List[Dict[str, Any]]:
    """The requests a module saw, oldest first; see Module.wire_log."""
    return Module(_id(module)).wire_log()


def state(module: "Module | int") -> Dict[str, Any]:
    return Module(_id(module)).state()


def modules() -> List[Module]:
    """The modules plugged now, through this API or by QMS_SIM."""
    listed = json.loads(_text(lambda buf, size: _sim().qms_sim_list(buf, size), "modules"))
    return [Module(entry["id"]) for entry in listed]
