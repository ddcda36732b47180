"""What the package reads is what the C API reads for the same module state, float for float."""

from __future__ import annotations

import contextlib
from ctypes import byref, c_float, c_uint16, c_uint32

import pytest

import qms6093
from conftest import quiet_channels
from qms6093 import TcType, TempScale

TEMPERATURES = {"J": 120.0, "K": 250.0, "S": 1100.0, "T": -40.0, "B": 1200.0, "R": 900.0, "E": 500.0}


@contextlib.contextmanager
def c_handle(capi, number):
    """A handle of the C API's own."""
    handle = c_uint32()
    assert capi.DeviceOpen(number, byref(handle)) == 0
    try:
        yield handle.value
    finally:
        capi.DeviceClose(byref(handle))


def c_temperature(capi, handle, channel, tc, scale):
    value = c_float()
    code = capi.TCMuxRead(handle, channel, 0, 0, tc, scale, byref(value))
    return code, value.value


@pytest.mark.parametrize("name", sorted(TEMPERATURES))
def test_temperature_of_every_type_and_scale_equals_tcmuxread(plug, capi, name):
    source = {"thermocouple": name, "temp_c": TEMPERATURES[name]}
    plugged = plug(terminal_c=23.0, channels=quiet_channels(ch2=source))
    tc = TcType[name]
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        for scale in TempScale:
            reading = dev.temperature(2, name.lower(), scale.name.lower())
            assert c_temperature(capi, handle, 2, tc, scale) == (0, reading)
            assert (reading.channel, reading.type, reading.scale, reading.burnout) == (2, tc, scale, False)
        assert dev.temperature(2, name) == pytest.approx(TEMPERATURES[name], abs=1.0)


def test_open_thermocouple_reads_as_the_burnout_value_the_c_api_gives(plug, capi):
    plugged = plug(channels=quiet_channels(ch6={"open": True, "burnout": 2}))
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        reading = dev.temperature(6, "K")
        code, value = c_temperature(capi, handle, 6, TcType.K, TempScale.CELSIUS)
        assert code == qms6093.errors.device_code(plugged.number, 66)
        assert (reading, reading.burnout) == (value, True)
        assert reading == -888888.0


def test_volts_and_milliamps_equal_aivoltagein_in_the_same_range(plug, capi):
    plugged = plug(channels=quiet_channels(ch4={"volts": 1.25}, ch5={"milliamps": 12.5}, ch1={"volts": 0.0421}))
    ranges = [(4, "0-2.5V", 0x000F), (4, "0-0.500V", 0x000D), (1, "0-0.050V", 0x000A),
              (5, "4-20mA", 0x8001), (5, "0-20mA", 0x8000)]
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        for channel, name, code in ranges:
            read = dev.milliamps if code & 0x8000 else dev.volts
            value = read(channel, name)
            assert capi.AIConfig(handle, channel, code) == 0
            c_value = c_float()
            assert capi.AIVoltageIn(handle, channel, code, 0, byref(c_value)) == 0
            assert value == c_value.value, name
        assert dev.volts(4, 0x000F) == pytest.approx(1.25, abs=1e-4)
        assert dev.milliamps(5, "4-20mA") == pytest.approx(12.5, abs=1e-3)
        # Over range the module's converter saturates, as the C API shows.
        assert dev.volts(4, "0-1.0V") == pytest.approx(1.0, abs=1e-4)


def test_stored_ranges_are_read_as_they_are_stored(plug, capi):
    plugged = plug(channels=quiet_channels(
        ch0={"thermocouple": "J", "temp_c": 80.0}, ch4={"volts": 0.8}, ch5={"milliamps": 12.0, "range_index": 7},
        ch6={"volts": 0.3, "range_index": 4}))
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        stored = dev.stored_ranges()
        indexes = (c_uint32 * 8)()
        assert capi.QmsReadDeviceParameters(handle, 0x210, 0, 8, indexes) == 0
        assert [r.index for r in stored] == list(indexes)
        assert [stored[ch].name for ch in (0, 4, 5, 6)] == ["J", "0-1.0V", "4-20mA", "0-1.0V"]
        # Without a range a channel is read as it is stored; a thermocouple gives its EMF.
        assert dev.volts(6) == pytest.approx(0.3, abs=1e-4)
        assert dev.milliamps(5) == pytest.approx(12.0, abs=1e-3)
        emf = c_float()
        assert capi.AIVoltageIn(handle, 0, 0x12, 0, byref(emf)) == 0
        assert dev.volts(0) == emf.value
        with pytest.raises(ValueError, match="milliamps"):
            dev.volts(5)
        with pytest.raises(ValueError, match="volts"):
            dev.milliamps(6)
        dev.volts(6, "0-2.5V")
        assert dev.stored_ranges()[6].name == "0-2.5V"


def test_cold_junction_and_firmware_equal_the_extension_readers(plug, capi):
    plugged = plug(terminal_c=26.0, cjc_error_c=0.5, firmware="USB-6093 FW 2.07")
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        cjc, offset, code = c_float(), c_float(), c_uint16()
        assert capi.QmsReadCJCHistoryTemp(handle, byref(cjc)) == 0
        assert dev.cjc() == cjc.value == pytest.approx(26.5, abs=0.05)
        assert capi.QmsReadCJCOffset(handle, byref(offset), byref(code)) == 0
        assert dev.cjc_offset == offset.value == 0.0
        assert dev.firmware == "USB-6093 FW 2.07"


def test_digital_lines_equal_the_dio_functions(plug, capi):
    plugged = plug(di=0xA5)
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        value = c_uint16()
        assert capi.DioReadPortByte(handle, 0, byref(value)) == 0
        assert dev.di() == value.value == 0xA5
        plugged.module.update(di=0x3C)
        assert dev.di() == 0x3C

        dev.set_do(0xFF, 0xF0)
        dev.set_do(0x0F, 0xA5)
        assert capi.DioGetCurrentDOByte(handle, 0, byref(value)) == 0
        assert dev.do() == value.value == 0xF5
        assert plugged.module.state()["do"] == 0xF5


def test_properties_equal_deviceGetProperty_and_survive_a_reopen(plug, capi):
    plugged = plug(channels=quiet_channels(ch3={"open": True, "burnout": 3}))
    with qms6093.open(plugged.number) as dev:
        assert (dev.board_id, dev.type_code) == (plugged.module.board_id, 198)
        assert dev.burnout == (0, 0, 0, 3, 0, 0, 0, 0)
        dev.burnout = [1, 2, 3, 4, 0, 1, 2, 3]
        dev.exception_4_20 = 1
        dev.label = "Oven 2"
    with qms6093.open(plugged.number) as dev, c_handle(capi, plugged.number) as handle:
        size = c_uint32(32)
        settings = (c_uint32 * 8)()
        assert capi.DeviceGetProperty(handle, 0x1003, settings, byref(size)) == 0
        assert dev.burnout == tuple(settings) == (1, 2, 3, 4, 0, 1, 2, 3)
        assert dev.exception_4_20 == (1,) * 8
        assert dev.label == "Oven 2"
        assert plugged.module.state()["blocks"]["0x220"] == [1, 2, 3, 4, 0, 1, 2, 3]


def test_conversions_are_the_librarys(capi):
    # TcErrorVolts at 100 °C, to four decimals, for every type.
    expected = {"J": 5.2689, "K": 4.0962, "S": 0.6459, "T": 4.2785,
                "B": 0.0332, "R": 0.6474, "E": 6.3189, "N": 2.7741}
    for name, mv in expected.items():
        assert round(qms6093.tc_error_volts(100.0, name), 4) == mv
        assert qms6093.tc_temp(mv, TcType[name]) == capi.QmsTcTemp(mv, TcType[name])
        assert qms6093.tc_temp(qms6093.tc_error_volts(300.0, name), name) == pytest.approx(300.0, abs=0.07)
    scales = [qms6093.convert_temp_scale(100.0, s) for s in "CFRK"]
    assert scales == [100.0, 212.0, pytest.approx(671.67), pytest.approx(373.15)]
