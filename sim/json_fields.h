// Reading typed fields out of scenario JSON with messages that name the field.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <nlohmann/json.hpp>

namespace qms::sim::fields {

// Throws ScenarioError for a member of `object` that is not in `allowed`.
void rejectUnknownKeys(const nlohmann::json &object, const std::string &path,
                       std::initializer_list<const char *> allowed);

// A finite number within [min, max].
double number(const nlohmann::json &value, const std::string &path, double min, double max);
// A whole number within [min, max]; also accepts text such as "0x300".
int64_t integer(const nlohmann::json &value, const std::string &path, int64_t min, int64_t max);
bool boolean(const nlohmann::json &value, const std::string &path);
std::string text(const nlohmann::json &value, const std::string &path, size_t maxLength);

// Joins a path and a member name: "channels[2]" + "temp_c" -> "channels[2].temp_c".
std::string member(const std::string &path, const std::string &key);
std::string element(const std::string &path, size_t index);

} // namespace qms::sim::fields
