"""Thermocouple conversions as plain functions, computed by the library itself (NIST ITS-90
reference and inverse functions with binary32 coefficients), so that a script converts exactly
as the module's readings are converted."""

from __future__ import annotations

from . import _native, names
from .names import ScaleLike, TypeLike


def tc_temp(millivolts: float, type: TypeLike = "K") -> float:
    """Temperature in degrees Celsius of a thermocouple whose EMF against a 0 °C reference
    junction is `millivolts`. An EMF beyond the type's range is extrapolated.

    >>> round(tc_temp(4.0962, "K"), 2)
    100.0
    """
    mv = names.finite(millivolts, "millivolts")
    tc = names.tc_type(type)
    return _native.api().QmsTcTemp(mv, tc)


def tc_error_volts(celsius: float, type: TypeLike = "K") -> float:
    """EMF in millivolts of a thermocouple between `celsius` and a 0 °C reference junction:
    what cold-junction compensation adds for a cold junction at that temperature."""
    c = names.finite(celsius, "celsius")
    tc = names.tc_type(type)
    return _native.api().QmsTcErrorVolts(c, tc)


def convert_temp_scale(celsius: float, scale: ScaleLike) -> float:
    """`celsius` in the scale "C", "F", "R" or "K" (or its code), as the library converts
    temperature readings."""
    c = names.finite(celsius, "celsius")
    sc = names.scale(scale)
    return _native.api().QmsConvertTempScale(c, sc)
