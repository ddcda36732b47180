// A simulated module plugged for a test, its device number and what it saw on the wire.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace qms::test {

// One vendor request as the module logged it.
struct WireRequest {
    int group = 0;
    int command = 0;
    bool in = false;
    std::vector<uint8_t> data; // OUT payload or IN reply
    std::string fault;
};

class SimulatedModule {
public:
    // Plugs a module (the scenario gets a serial from the board number unless it has one)
    // and finds the device number the stream driver gave it.
    explicit SimulatedModule(nlohmann::json scenario);
    ~SimulatedModule();
    SimulatedModule(const SimulatedModule &) = delete;
    SimulatedModule &operator=(const SimulatedModule &) = delete;

    int id() const { return id_; }
    uint32_t deviceNumber() const { return deviceNumber_; }

    void update(const nlohmann::json &patch);
    void unplug();
    nlohmann::json state() const;
    std::vector<WireRequest> wire() const;
    // The requests of one command, oldest first.
    std::vector<WireRequest> wire(int group, int command) const;
    void clearWire();

private:
    int id_ = -1;
    uint32_t deviceNumber_ = 0;
};

// A scenario with every channel quiet (0 V on its stored range, no noise) and the given
// board number.
nlohmann::json QuietScenario(uint32_t boardNumber = 0);

// The device number whose registry settings carry this board number (SwitchID).
uint32_t DeviceNumberOfBoard(uint32_t boardNumber);

// Device code of an error index, and the code of a transfer failure in the driver.
uint32_t Code(uint32_t deviceNumber, uint32_t index);
uint32_t TransferFailed(uint32_t deviceNumber);

} // namespace qms::test

#include <memory>

#include <gtest/gtest.h>

#include "qms6093.h"

namespace qms::test {

// A test with one quiet module plugged and opened.
class OpenDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = std::make_unique<SimulatedModule>(scenario());
        dev = module->deviceNumber();
        ASSERT_EQ(DeviceOpen(dev, &handle), 0u);
        module->clearWire();
    }
    void TearDown() override
    {
        if (handle)
            DeviceClose(&handle);
        module.reset();
    }
    virtual nlohmann::json scenario() { return QuietScenario(); }

    std::unique_ptr<SimulatedModule> module;
    uint32_t dev = 0;
    uint32_t handle = 0;
};

} // namespace qms::test
