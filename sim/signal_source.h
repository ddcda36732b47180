// What is wired to one analog input, and the voltage it puts on the module's terminals.
//
// A thermocouple is a sensor of the given type with its hot junction at temp_c; its wires end
// on the module's terminal block, so its cold junction sits at the terminal temperature and
// the module sees EMF(temp_c + deviation_c) - EMF(terminal). deviation_c is how far this
// particular thermocouple departs from the reference function (its tolerance class), 0 by
// default.
//
// A calibrator is a thermocouple simulator with its own cold-junction compensation, wired
// with thermocouple wire of its type: it delivers exactly the reference EMF, EMF(temp_c) -
// EMF(terminal), never any deviation. Without temp_c it is set to its type's reference
// temperature, the one the host's cold-junction measurement expects (J 380, K 685, S 1125,
// T 150, B 1150, R 1125, E 500 degrees Celsius). With "compensated": false its compensation
// is off and it delivers EMF(temp_c) against 0 degrees Celsius, as a simulator wired with
// copper leads does.
//
// Volts appear as they are; milliamperes drive the current input's 120 ohm shunt. An open
// input has no voltage: its reading is decided by the range (burn-out current or open loop).
#pragma once

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace qms::sim {

enum class SourceKind { None, Thermocouple, Calibrator, Volts, Milliamps, Open };

struct SignalSource {
    SourceKind kind = SourceKind::None;
    char tcType = 'K';
    double tempC = 0.0;
    double deviationC = 0.0;
    bool compensated = true;
    double value = 0.0; // volts or milliamperes
};

// Volts across the input terminals, none for an open input. NaN when a thermocouple
// temperature (or the terminal temperature) lies outside its type's reference function.
std::optional<double> terminalVolts(const SignalSource &source, double terminalC);

// The reference temperature a calibrator of the type is set to by default; none for types
// the host's cold-junction measurement does not use.
std::optional<double> calibratorReferenceC(char type);

// Parses one channel object of a scenario; throws ScenarioError naming `path` and the field.
SignalSource parseSignalSource(const nlohmann::json &channel, const std::string &path);

nlohmann::json signalSourceToJson(const SignalSource &source);

} // namespace qms::sim
