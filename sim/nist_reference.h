// NIST ITS-90 thermocouple reference functions in double precision: the physics of the
// simulated module's thermocouple inputs. A thermocouple of type `type` with its hot junction
// at t90 and its reference junction at 0 degrees Celsius produces emfMillivolts(type, t90).
#ifndef QMS_SIM_NIST_REFERENCE_H
#define QMS_SIM_NIST_REFERENCE_H

namespace qms::sim::nist {

// EMF in millivolts of a thermocouple of the given type ('J', 'K', 'S', 'T', 'B', 'R', 'E',
// 'N'; lower case accepted) at t90Celsius against a 0 degree Celsius reference junction, from
// the ITS-90 reference function (type K above 0 degrees Celsius with its exponential term).
// NaN for an unknown type and for a temperature outside the type's defined range:
// J -210..1200, K -270..1372, S and R -50..1768.1, T -270..400, B 0..1820, E -270..1000,
// N -270..1300 degrees Celsius. At a boundary between two polynomials the lower one is used.
double emfMillivolts(char type, double t90Celsius);

// Temperature in degrees Celsius at which the reference function gives emfMillivolts, found
// by bisection to within 1e-9 degrees Celsius. NaN for an unknown type and for an EMF outside
// the values the reference function takes over the type's range. Type B falls from 0 mV at
// 0 degrees Celsius to about -0.0026 mV near 21 degrees Celsius before it rises: its inverse
// uses the rising part only (from that minimum to 1820 degrees Celsius).
double temperatureCelsius(char type, double emfMillivolts);

}  // namespace qms::sim::nist

#endif
