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
    // Plugs a module and finds the device number the stream driver gave it. A scenario
    // without a serial gets one no other module of the process had: every module starts
    // from factory memory, whatever earlier tests stored in theirs.
    explicit SimulatedModule(nlohmann::json scenario);
    // Unplugs the module if it is still plugged and waits until the driver has removed it, so
    // that its device number is free for the next test (handles must be closed by then).
    ~SimulatedModule();
    SimulatedModule(const SimulatedModule &) = delete;
    SimulatedModule &operator=(const SimulatedModule &) = delete;

    int id() const { return id_; }
    uint32_t deviceNumber() const { return deviceNumber_; }
    const std::string &serial() const { return serial_; }

    void update(const nlohmann::json &patch);
    // Pulls the module out; the driver's removal finishes once every handle is closed.
    void unplug();
    // Waits until the driver has removed the unplugged module; false after timeoutMs.
    bool waitRemoved(unsigned timeoutMs = kRemovalWaitMs);
    nlohmann::json state() const;
    // The module's requests, oldest first, without those the driver's CJC sampler makes on
    // its own every second (sensor reads IN(2,35), offset reads IN(2,33)): a test of what a
    // call sends is not raced by them. Ask for those commands by name to see them.
    std::vector<WireRequest> wire() const;
    // The requests of one command, oldest first, the sampler's included.
    std::vector<WireRequest> wire(int group, int command) const;
    void clearWire();

    static constexpr unsigned kRemovalWaitMs = 10000;

private:
    std::vector<WireRequest> wholeWire() const;

    int id_ = -1;
    int unpluggedId_ = -1;
    uint32_t deviceNumber_ = 0;
    std::string serial_;
};

// A scenario with every channel quiet (0 V on its stored range, no noise) and the given
// board number.
nlohmann::json QuietScenario(uint32_t boardNumber = 0);

// The device number of the plugged module with this board number (SwitchID): the registry
// key whose stream device is active and that no other SimulatedModule holds. Throws when
// there is none, or more than one.
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
