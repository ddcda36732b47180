"""temperatures() gives, channel for channel, what temperature() gives, whether the library
reads the channels in one scan or the package reads them one by one."""

from __future__ import annotations

import pytest

import qms6093
from qms6093 import _native

SOURCES = [
    {"thermocouple": "K", "temp_c": 250.0},
    {"thermocouple": "J", "temp_c": 120.0},
    {"thermocouple": "T", "temp_c": -40.0},
    {"thermocouple": "S", "temp_c": 1100.0},
    {"thermocouple": "R", "temp_c": 900.0},
    {"thermocouple": "E", "temp_c": 500.0},
    {"open": True, "burnout": 1},
    {"thermocouple": "B", "temp_c": 1200.0},
]
TYPES = ["K", "J", "T", "S", "R", "E", "K", "B"]


@pytest.fixture(params=["scan", "per-channel"])
def reading_path(request, monkeypatch):
    """Runs a test once through the library's scan and once channel by channel."""
    if request.param == "scan":
        if _native.api().QmsTcScan is None:
            pytest.skip("this libqms6093 has no QmsTcScan")
    else:
        monkeypatch.setattr(_native.api(), "QmsTcScan", None)
    return request.param


@pytest.mark.parametrize("scale", ["C", "F", "K"])
def test_all_eight_channels_agree_with_single_reads(plug, reading_path, scale):
    plugged = plug(terminal_c=22.0, channels=SOURCES)
    with qms6093.open(plugged.number) as dev:
        together = dev.temperatures(range(8), TYPES, scale)
        alone = [dev.temperature(ch, t, scale) for ch, t in enumerate(TYPES)]
    assert together == alone
    assert [(t.channel, t.type.name, t.burnout) for t in together] == [
        (ch, t, ch == 6) for ch, t in enumerate(TYPES)
    ]
    assert together[6] == 888888.0


@pytest.mark.parametrize("channels", [[6, 7, 0, 1], [3], [0, 2, 5], [5, 4]])
def test_runs_that_wrap_or_skip_channels_agree_with_single_reads(plug, reading_path, channels):
    plugged = plug(channels=SOURCES)
    types = [TYPES[ch] for ch in channels]
    with qms6093.open(plugged.number) as dev:
        together = dev.temperatures(channels, types)
        alone = [dev.temperature(ch, t) for ch, t in zip(channels, types)]
    assert together == alone
    assert [t.channel for t in together] == channels


def test_a_fault_in_the_middle_fails_the_whole_call_and_the_next_works(plug, reading_path):
    plugged = plug(channels=SOURCES)
    with qms6093.open(plugged.number) as dev:
        plugged.module.update(faults=[{"group": 2, "command": 5, "dir": "in", "fault": "stall"}])
        with pytest.raises(qms6093.QmsError) as error:
            dev.temperatures(range(4), TYPES[:4])
        assert error.value.code >= 4096 * (plugged.number + 1)
        plugged.module.update(clear_faults=True)
        assert dev.temperatures(range(2), TYPES[:2])[0] == pytest.approx(250.0, abs=0.5)
