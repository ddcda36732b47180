// Drives a simulated module the way the host stack does: one control transfer at a time
// through BusDevice::control, with the setup packets of vendor requests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/nonvolatile_store.h"
#include "sim/scenario.h"
#include "sim/sim_module.h"

namespace qms::sim::testing {

struct Transfer {
    qms::usbd::ControlOutcome outcome;
    uint32_t bytes;
    uint32_t latency;
    std::vector<uint8_t> data; // IN: the reply (bytes long)
};

inline std::vector<uint8_t> be16(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }
inline std::vector<uint8_t> be32(uint32_t v)
{
    return {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v)};
}
inline std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
inline uint32_t wordAt(const std::vector<uint8_t> &d, size_t offset)
{
    return (uint32_t(d.at(offset)) << 24) | (uint32_t(d.at(offset + 1)) << 16) | (uint32_t(d.at(offset + 2)) << 8) |
           d.at(offset + 3);
}

class SimBus {
public:
    // A module from scenario JSON, with fresh factory memory.
    explicit SimBus(const std::string &scenarioJson = "{}")
        : SimBus(parseScenario(nlohmann::json::parse(scenarioJson)), std::make_shared<NonVolatileState>())
    {
    }
    SimBus(const Scenario &scenario, std::shared_ptr<NonVolatileState> memory) : memory(memory)
    {
        if (memory->rangeIndex == std::array<uint32_t, 8>{})
            for (size_t i = 0; i < 8; ++i)
                memory->rangeIndex[i] = scenario.presets[i].rangeIndex.value_or(5);
        memory->boardNumber = memory->boardNumber ? memory->boardNumber : scenario.boardId;
        module = std::make_shared<SimModule>(scenario, "TEST", memory);
    }

    Transfer raw(uint8_t type, uint8_t group, uint16_t command, uint16_t index, std::vector<uint8_t> data,
                 uint16_t length)
    {
        data.resize(length);
        const qms::usbd::SetupPacket setup{type, group, command, index, length};
        const qms::usbd::ControlResult r = module->control(setup, data.empty() ? nullptr : data.data());
        data.resize((type & 0x80) ? r.bytesTransferred : 0);
        return {r.outcome, r.bytesTransferred, r.latencyMicros, data};
    }
    Transfer out(uint8_t group, uint16_t command, const std::vector<uint8_t> &payload)
    {
        return raw(0x40, group, command, 0, payload, static_cast<uint16_t>(payload.size()));
    }
    Transfer in(uint8_t group, uint16_t command, uint16_t length) { return raw(0xC0, group, command, 0, {}, length); }

    // An OUT command followed by the status read, as the driver sends it; returns the status.
    uint32_t command(uint8_t group, uint16_t command, const std::vector<uint8_t> &payload)
    {
        EXPECT_EQ(out(group, command, payload).outcome, qms::usbd::ControlOutcome::Completed);
        return status();
    }
    uint32_t status()
    {
        const Transfer t = in(127, 3, 4);
        EXPECT_EQ(t.bytes, 4u);
        return t.bytes == 4 ? wordAt(t.data, 0) : 0xFFFFFFFFu;
    }
    // Configures channels from `start` with module codes, as OUT(2,6) does.
    void configure(uint16_t start, std::vector<uint16_t> codes)
    {
        std::vector<uint8_t> p = cat({be16(start), be16(static_cast<uint16_t>(codes.size()))});
        for (uint16_t c : codes)
            p = cat({p, be16(c)});
        p.resize(24);
        ASSERT_EQ(out(2, 6, p).outcome, qms::usbd::ControlOutcome::Completed);
    }
    // Scan request and sample-block polls until ready (at most 100); the samples' low words.
    std::vector<uint16_t> scan(uint16_t start, uint16_t count)
    {
        EXPECT_EQ(out(2, 4, cat({be16(start), be16(count), be16(0), be16(0)})).outcome,
                  qms::usbd::ControlOutcome::Completed);
        for (int poll = 0; poll < 100; ++poll) {
            const Transfer t = in(2, 5, 36);
            EXPECT_EQ(t.bytes, 36u);
            if (t.bytes == 36 && wordAt(t.data, 0) != 0) {
                std::vector<uint16_t> samples;
                for (uint16_t i = 0; i < count; ++i)
                    samples.push_back(static_cast<uint16_t>(wordAt(t.data, 4 + 4 * i)));
                return samples;
            }
        }
        ADD_FAILURE() << "sample block never ready";
        return {};
    }
    uint16_t read(uint16_t channel) { return scan(channel, 1).at(0); }
    std::string wireLog() const { return module->wireLog(); }

    std::shared_ptr<NonVolatileState> memory;
    std::shared_ptr<SimModule> module;
};

} // namespace qms::sim::testing
