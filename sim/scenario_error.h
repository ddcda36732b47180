// A scenario or patch the simulated module cannot take; the message names the field.
#pragma once

#include <stdexcept>
#include <string>

namespace qms::sim {

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(const std::string &field, const std::string &problem)
        : std::runtime_error(field + ": " + problem)
    {
    }
};

} // namespace qms::sim
