"""The simulated modules from Python: plug, update, wire log, unplug."""

from __future__ import annotations

import pytest

import qms6093
from qms6093 import sim


def test_a_refused_scenario_plugs_nothing_and_names_the_field():
    before = sim.modules()
    with pytest.raises(sim.ScenarioError, match=r"channels\[1\]\.temp_c") as error:
        sim.plug({"board_id": 90, "serial": "PY-REFUSED",
                  "channels": [None, {"thermocouple": "K", "temp_c": "hot"}]})
    assert isinstance(error.value, ValueError)
    assert sim.modules() == before


def test_update_changes_the_inputs_and_a_refused_patch_changes_nothing(plug):
    plugged = plug(di=0x01)
    with qms6093.open(plugged.number) as dev:
        sim.update(plugged.module, {"di": 0x02})
        assert dev.di() == 0x02
        plugged.module.update(di=0x04, channels={"3": {"volts": 0.25}})
        assert (dev.di(), round(dev.volts(3, "0-0.500V"), 4)) == (0x04, 0.25)
        with pytest.raises(sim.ScenarioError):
            plugged.module.update(di=0x08, terminal_c="warm")
        assert dev.di() == 0x04


def test_the_wire_log_shows_each_request_of_a_reading(plug):
    plugged = plug(di=0x5A)
    with qms6093.open(plugged.number) as dev:
        plugged.module.clear_wire_log()
        dev.di()
        log = sim.wire_log(plugged.module.id)
    # The driver's CJC sampler talks to the module beside the reading.
    digital = [(r["group"], r["command"], r["dir"]) for r in log if r["group"] == 1]
    assert digital == [(1, 4, "out"), (1, 5, "in")]
    reply = next(r for r in log if (r["group"], r["command"]) == (1, 5))
    assert reply["outcome"] == "completed" and "5A" in reply["data"].upper()


def test_plugged_modules_are_listed_until_unplugged(plug):
    plugged = plug()
    module = plugged.module
    assert module in sim.modules()
    assert module.serial.startswith("PY-")
    info = [d for d in qms6093.devices() if d.number == plugged.number]
    assert len(info) == 1
    assert (info[0].present, info[0].simulated, info[0].serial) == (True, True, module.serial)
    assert (info[0].board_id, info[0].type_code, info[0].state) == (module.board_id, 198, "present")
    sim.unplug(module)
    assert module not in sim.modules()
    assert module.wait_removed(10.0)
    assert [d.present for d in qms6093.devices() if d.number == plugged.number] == [False]
    with pytest.raises(sim.SimError):
        module.unplug()


def test_a_module_plugged_in_a_with_block_is_unplugged_after_it():
    with sim.plug(board_id=91, serial="PY-WITH-91", noise_uv=0.0) as module:
        assert module in sim.modules()
    assert module not in sim.modules()
