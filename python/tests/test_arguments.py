"""Bad arguments raise TypeError or ValueError in Python; nothing reaches the library."""

from __future__ import annotations

import pytest

import qms6093


class Untouchable:
    """Stands in for the library: any call is a test failure."""

    def __getattr__(self, name):
        raise AssertionError(f"{name} reached the library")


BAD_CALLS = [
    # (what, call on an open device, exception)
    ("channel 8", lambda d: d.temperature(8), ValueError),
    ("channel -1", lambda d: d.volts(-1, "0-1.0V"), ValueError),
    ("channel as text", lambda d: d.temperature("0"), TypeError),
    ("channel as float", lambda d: d.milliamps(1.0, "4-20mA"), TypeError),
    ("channel as bool", lambda d: d.temperature(True), TypeError),
    ("unknown type", lambda d: d.temperature(0, "Q"), ValueError),
    ("type N has no range", lambda d: d.temperature(0, "N"), ValueError),
    ("type code 8", lambda d: d.temperature(0, 8), ValueError),
    ("type code 256", lambda d: d.temperatures([0], [256]), ValueError),
    ("type as float", lambda d: d.temperature(0, 1.0), TypeError),
    ("unknown scale", lambda d: d.temperature(0, "K", "X"), ValueError),
    ("scale code 4", lambda d: d.temperature(0, "K", 4), ValueError),
    ("voltage range for current", lambda d: d.milliamps(0, "0-2.5V"), ValueError),
    ("current range for voltage", lambda d: d.volts(0, "4-20mA"), ValueError),
    ("thermocouple row as range", lambda d: d.volts(0, "K"), ValueError),
    ("unknown range", lambda d: d.volts(0, "0-5V"), ValueError),
    ("range code 0x12", lambda d: d.volts(0, 0x12), ValueError),
    ("range as float", lambda d: d.volts(0, 2.5), TypeError),
    ("no channels", lambda d: d.temperatures([]), ValueError),
    ("a channel twice", lambda d: d.temperatures([1, 1]), ValueError),
    ("channels as text", lambda d: d.temperatures("01"), TypeError),
    ("types of another count", lambda d: d.temperatures([0, 1, 2], ["K", "J"]), ValueError),
    ("mask 256", lambda d: d.set_do(0x100, 0), ValueError),
    ("negative state", lambda d: d.set_do(0xFF, -1), ValueError),
    ("mask as text", lambda d: d.set_do("ff", 0), TypeError),
    ("burn-out setting 5", lambda d: setattr(d, "burnout", 5), ValueError),
    ("seven burn-out settings", lambda d: setattr(d, "burnout", [0] * 7), ValueError),
    ("4-20 mA exception 3", lambda d: setattr(d, "exception_4_20", [3] * 8), ValueError),
    ("label too long", lambda d: setattr(d, "label", "x" * 33), ValueError),
    ("label beyond Latin-1", lambda d: setattr(d, "label", "Ofen \u2603"), ValueError),
    ("label as bytes", lambda d: setattr(d, "label", b"Oven"), TypeError),
    ("negative timeout", lambda d: d.wait_removed(-1), ValueError),
    ("timeout as text", lambda d: d.wait_removed("1"), TypeError),
    ("infinite timeout", lambda d: d.wait_removed(float("inf")), ValueError),
]


@pytest.mark.parametrize("what, call, error", BAD_CALLS, ids=[c[0] for c in BAD_CALLS])
def test_bad_arguments_are_refused_before_the_library(plug, what, call, error):
    qms6093.input_ranges()  # the range table is read once, before the library is taken away
    plugged = plug()
    with qms6093.open(plugged.number) as dev:
        api = dev._api
        dev._api = Untouchable()
        try:
            with pytest.raises(error):
                call(dev)
        finally:
            dev._api = api


BAD_FUNCTIONS = [
    ("open(-1)", lambda: qms6093.open(-1), ValueError),
    ("open(255)", lambda: qms6093.open(255), ValueError),
    ("open('0')", lambda: qms6093.open("0"), TypeError),
    ("tc_temp type 8", lambda: qms6093.tc_temp(1.0, 8), ValueError),
    ("tc_temp of text", lambda: qms6093.tc_temp("1.0", "K"), TypeError),
    ("tc_temp of NaN", lambda: qms6093.tc_temp(float("nan"), "K"), ValueError),
    ("tc_error_volts type Z", lambda: qms6093.tc_error_volts(100.0, "Z"), ValueError),
    ("convert_temp_scale scale 7", lambda: qms6093.convert_temp_scale(100.0, 7), ValueError),
    ("error_text of -1", lambda: qms6093.error_text(-1), ValueError),
    ("plug a list", lambda: qms6093.sim.plug([1, 2]), TypeError),
    ("update module 0", lambda: qms6093.sim.update(0, {}), ValueError),
]


@pytest.mark.parametrize("what, call, error", BAD_FUNCTIONS, ids=[c[0] for c in BAD_FUNCTIONS])
def test_bad_arguments_to_functions_are_refused_before_the_library(monkeypatch, what, call, error):
    monkeypatch.setattr(qms6093._native, "_api", Untouchable())
    monkeypatch.setattr(qms6093._native, "_sim", Untouchable())
    with pytest.raises(error):
        call()
