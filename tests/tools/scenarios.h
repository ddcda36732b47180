// Scenarios of the simulated modules the tool tests run on.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace qms::test {

// Board 0, terminals at 25 °C, an exact CJC sensor, no noise:
// 0 K at 250 °C, 1 open thermocouple (burn-out 888888), 2 1.25 V, 3 12 mA on 4-20 mA,
// 4 J at 100 °C, 5 a compensated K calibrator at 685 °C, 6 and 7 quiet; digital inputs 0xA5.
inline nlohmann::json BenchScenario()
{
    return {{"board_id", 0},
            {"terminal_c", 25.0},
            {"di", 0xA5},
            {"channels",
             {{{"thermocouple", "K"}, {"temp_c", 250.0}, {"range_index", 9}, {"burnout", 1}},
              {{"open", true}, {"range_index", 9}, {"burnout", 1}},
              {{"volts", 1.25}, {"range_index", 5}},
              {{"milliamps", 12.0}, {"range_index", 7}},
              {{"thermocouple", "J"}, {"temp_c", 100.0}, {"range_index", 8}, {"burnout", 1}},
              {{"calibrator", "K"}, {"temp_c", 685.0}, {"range_index", 9}},
              nullptr,
              nullptr}}};
}

inline std::string Bench()
{
    return BenchScenario().dump();
}

} // namespace qms::test
