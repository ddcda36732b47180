"""A refusal of the library raises QmsError with the code the C function returned and the
library's own sentence for it."""

from __future__ import annotations

import ctypes
import warnings
from ctypes import byref, c_float, c_uint16, c_uint32

import pytest

import qms6093
from conftest import quiet_channels
from qms6093.errors import device_code

STALL_SCAN = {"group": 2, "command": 4, "dir": "out", "fault": "stall"}
STALL_INPUTS = {"group": 1, "command": 4, "dir": "out", "fault": "stall"}
STALL_BLOCK_READ = {"group": 2, "command": 65, "dir": "in", "fault": "stall"}


def library_text(capi, code):
    buffer = ctypes.create_string_buffer(256)
    capi.QmsErrorText(code, buffer, len(buffer))
    return buffer.value.decode()


def assert_same_refusal(error, code, capi):
    assert code != 0
    assert error.code == code
    assert error.text == library_text(capi, code)
    assert f"(code {code})" in str(error)


def test_an_uninstalled_device_number_gives_the_code_of_deviceopen(capi):
    handle = c_uint32()
    code = capi.DeviceOpen(200, byref(handle))
    with pytest.raises(qms6093.QmsError) as error:
        qms6093.open(200)
    assert_same_refusal(error.value, code, capi)
    assert error.value.function == "DeviceOpen"


def test_a_module_fault_gives_the_code_of_the_c_function(plug, capi):
    plugged = plug(channels=quiet_channels(ch0={"thermocouple": "K", "temp_c": 100.0}))
    plugged.module.update(faults=[STALL_SCAN, STALL_INPUTS])
    with qms6093.open(plugged.number) as dev:
        handle = dev._handle.value
        value, byte = c_float(), c_uint16()
        cases = [
            (lambda: dev.temperature(0, "K"), capi.TCMuxRead(handle, 0, 0, 0, 1, 0, byref(value))),
            (lambda: dev.volts(0, "0-1.0V"), capi.AIVoltageIn(handle, 0, 0x0E, 0, byref(value))),
            (lambda: dev.di(), capi.DioReadPortByte(handle, 0, byref(byte))),
        ]
        for call, code in cases:
            with pytest.raises(qms6093.QmsError) as error:
                call()
            assert_same_refusal(error.value, code, capi)
            assert code >= 4096 * (plugged.number + 1), "a driver code names the device"
        # Once the fault is gone the same device reads again.
        plugged.module.update(clear_faults=True)
        assert dev.temperature(0, "K") == pytest.approx(100.0, abs=0.5)


def test_a_removed_module_gives_the_code_of_the_c_function(plug, capi):
    plugged = plug()
    with qms6093.open(plugged.number) as dev:
        plugged.module.unplug()
        byte = c_uint16()
        code = capi.DioReadPortByte(dev._handle.value, 0, byref(byte))
        with pytest.raises(qms6093.QmsError) as error:
            dev.di()
        assert_same_refusal(error.value, code, capi)


def test_opening_a_removed_module_names_the_device(plug):
    plugged = plug()
    plugged.module.unplug()
    assert plugged.module.wait_removed(10.0)
    with pytest.raises(qms6093.QmsError) as error:
        qms6093.open(plugged.number)
    assert error.value.code == device_code(plugged.number, 26)
    assert error.value.text.startswith(f"device {plugged.number}: ")


def test_burnout_is_a_flag_on_the_value_not_an_error(plug):
    plugged = plug(channels=quiet_channels(ch1={"open": True, "burnout": 1},
                                           ch2={"thermocouple": "J", "temp_c": 50.0}))
    with qms6093.open(plugged.number) as dev:
        single = dev.temperature(1, "K")
        several = dev.temperatures([0, 1, 2], ["K", "K", "J"])
    assert (single, single.burnout) == (888888.0, True)
    assert [t.burnout for t in several] == [False, True, False]
    assert several[1] == 888888.0


def test_unreadable_channel_settings_at_open_warn_and_leave_the_device_usable(plug):
    plugged = plug(di=0x81)
    plugged.module.update(faults=[STALL_BLOCK_READ])
    with pytest.warns(qms6093.QmsWarning, match=f"code {device_code(plugged.number, 20)}"):
        dev = qms6093.open(plugged.number)
    with dev:
        plugged.module.update(clear_faults=True)
        assert dev.di() == 0x81


def test_error_text_is_the_librarys_for_any_code(capi):
    for code in (0, 2, 3, device_code(4, 66), device_code(0, 501), 0x0107, 0x20000005, 123456):
        assert qms6093.error_text(code) == library_text(capi, code)
    assert qms6093.error_text(device_code(4, 66)).startswith("device 4")


def test_a_long_sentence_is_given_whole():
    # The package grows its buffer until the whole sentence fits.
    text = qms6093.error_text(device_code(254, 4095))
    assert text == qms6093.error_text(device_code(254, 4095))
    assert "254" in text and not text.endswith("\0")


def test_qmserror_survives_pickling():
    import pickle

    error = pickle.loads(pickle.dumps(qms6093.QmsError(3, "CheckEvent")))
    assert (error.code, error.function, error.text) == (3, "CheckEvent", qms6093.error_text(3))


def test_no_warning_for_a_normal_open(plug):
    plugged = plug()
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with qms6093.open(plugged.number):
            pass
