#include "sim/nonvolatile_store.h"

#include <cstdio>
#include <stdexcept>

#include "sim/text_file.h"

namespace qms::sim {
namespace {

nlohmann::json wordsToJson(const std::array<uint32_t, 8> &words) { return nlohmann::json(words); }

void wordsFromJson(const nlohmann::json &j, const char *key, std::array<uint32_t, 8> &words)
{
    if (!j.contains(key))
        return;
    const nlohmann::json &a = j.at(key);
    if (!a.is_array() || a.size() != words.size())
        throw std::runtime_error(std::string(key) + " must be an array of 8 numbers");
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = a[i].get<uint32_t>();
}

} // namespace

nlohmann::json nonVolatileToJson(const NonVolatileState &state)
{
    nlohmann::json eeprom = nlohmann::json::object();
    for (const auto &[address, word] : state.eeprom) {
        char key[8];
        std::snprintf(key, sizeof key, "0x%03X", address);
        eeprom[key] = word;
    }
    return {{"board_number", state.boardNumber},
            {"range_index", wordsToJson(state.rangeIndex)},
            {"burnout", wordsToJson(state.burnout)},
            {"exception_4_20", wordsToJson(state.exception420)},
            {"eeprom", eeprom},
            {"cjc_offset_code", state.cjcOffsetCode},
            {"cjc_reference_code", state.cjcReferenceCode},
            {"calibration", calibrationToJson(state.calibration.working)},
            {"saved_calibration", calibrationToJson(state.calibration.saved)}};
}

NonVolatileState nonVolatileFromJson(const nlohmann::json &j)
{
    if (!j.is_object())
        throw std::runtime_error("the state must be a JSON object");
    try {
        NonVolatileState s;
        s.boardNumber = j.value("board_number", 0u);
        wordsFromJson(j, "range_index", s.rangeIndex);
        wordsFromJson(j, "burnout", s.burnout);
        wordsFromJson(j, "exception_4_20", s.exception420);
        if (j.contains("eeprom"))
            for (auto it = j.at("eeprom").begin(); it != j.at("eeprom").end(); ++it)
                s.eeprom[static_cast<uint16_t>(std::stoul(it.key(), nullptr, 0))] = it->get<uint32_t>();
        s.cjcOffsetCode = j.value("cjc_offset_code", kFactoryCjcOffsetCode);
        s.cjcReferenceCode = j.value("cjc_reference_code", kFactoryCjcOffsetCode);
        if (j.contains("calibration"))
            s.calibration.working = calibrationFromJson(j.at("calibration"));
        if (j.contains("saved_calibration"))
            s.calibration.saved = calibrationFromJson(j.at("saved_calibration"));
        return s;
    } catch (const nlohmann::json::exception &e) {
        throw std::runtime_error(e.what());
    } catch (const std::logic_error &e) { // stoul
        throw std::runtime_error(e.what());
    }
}

std::optional<NonVolatileState> loadStateFile(const std::string &path)
{
    const std::optional<std::string> text = readSimFile(path);
    if (!text)
        return std::nullopt;
    nlohmann::json j = nlohmann::json::parse(*text, nullptr, false);
    if (j.is_discarded())
        throw std::runtime_error(path + " is not JSON");
    return nonVolatileFromJson(j);
}

bool saveStateFile(const std::string &path, const NonVolatileState &state)
{
    return replaceSimFile(path, nonVolatileToJson(state).dump(2) + "\n");
}

// Never destroyed, like the module list: modules may outlive the statics at exit.
NonVolatileStore &NonVolatileStore::instance()
{
    static auto *store = new NonVolatileStore;
    return *store;
}

std::shared_ptr<NonVolatileState> NonVolatileStore::find(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    auto it = states_.find(serial);
    return it == states_.end() ? nullptr : it->second;
}

void NonVolatileStore::put(const std::string &serial, std::shared_ptr<NonVolatileState> state)
{
    std::lock_guard lock(mutex_);
    states_[serial] = std::move(state);
}

void NonVolatileStore::forget(const std::string &serial)
{
    std::lock_guard lock(mutex_);
    states_.erase(serial);
}

} // namespace qms::sim
