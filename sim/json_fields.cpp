#include "sim/json_fields.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "sim/scenario_error.h"

namespace qms::sim::fields {

void rejectUnknownKeys(const nlohmann::json &object, const std::string &path,
                       std::initializer_list<const char *> allowed)
{
    if (!object.is_object())
        throw ScenarioError(path.empty() ? "scenario" : path, "must be a JSON object");
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char *name : allowed)
            known = known || it.key() == name;
        if (!known)
            throw ScenarioError(member(path, it.key()), "unknown key");
    }
}

double number(const nlohmann::json &value, const std::string &path, double min, double max)
{
    if (!value.is_number())
        throw ScenarioError(path, "must be a number");
    const double v = value.get<double>();
    if (!std::isfinite(v) || v < min || v > max)
        throw ScenarioError(path, "must lie between " + nlohmann::json(min).dump() + " and " +
                                      nlohmann::json(max).dump());
    return v;
}

int64_t integer(const nlohmann::json &value, const std::string &path, int64_t min, int64_t max)
{
    int64_t v = 0;
    if (value.is_number_integer()) {
        v = value.is_number_unsigned() && value.get<uint64_t>() > INT64_MAX
                ? INT64_MAX
                : value.get<int64_t>();
    } else if (value.is_number_float()) {
        const double d = value.get<double>();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.0e15)
            throw ScenarioError(path, "must be a whole number");
        v = static_cast<int64_t>(d);
    } else if (value.is_string()) {
        const std::string s = value.get<std::string>();
        char *end = nullptr;
        errno = 0;
        v = std::strtoll(s.c_str(), &end, 0);
        if (s.empty() || end == nullptr || *end != '\0' || errno != 0)
            throw ScenarioError(path, "must be a whole number");
    } else {
        throw ScenarioError(path, "must be a whole number");
    }
    if (v < min || v > max)
        throw ScenarioError(path, "must lie between " + std::to_string(min) + " and " +
                                      std::to_string(max));
    return v;
}

bool boolean(const nlohmann::json &value, const std::string &path)
{
    if (!value.is_boolean())
        throw ScenarioError(path, "must be true or false");
    return value.get<bool>();
}

std::string text(const nlohmann::json &value, const std::string &path, size_t maxLength)
{
    if (!value.is_string())
        throw ScenarioError(path, "must be text");
    std::string s = value.get<std::string>();
    if (s.size() > maxLength)
        throw ScenarioError(path, "must be at most " + std::to_string(maxLength) + " characters");
    return s;
}

std::string member(const std::string &path, const std::string &key)
{
    return path.empty() ? key : path + "." + key;
}

std::string element(const std::string &path, size_t index)
{
    return path + "[" + std::to_string(index) + "]";
}

} // namespace qms::sim::fields
