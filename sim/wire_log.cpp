#include "sim/wire_log.h"

#include <cstdio>

#include <nlohmann/json.hpp>

namespace qms::sim {
namespace {

std::string hex(const uint8_t *bytes, size_t n)
{
    std::string s;
    s.reserve(n * 3);
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i == 0 ? "%02X" : " %02X", bytes[i]);
        s += b;
    }
    return s;
}

} // namespace

void WireLog::append(WireLogEntry entry)
{
    entry.seq = nextSeq_++;
    entries_.push_back(std::move(entry));
    while (entries_.size() > kMaxEntries)
        entries_.pop_front();
}

std::string WireLog::toJsonLines() const
{
    std::string out;
    for (const WireLogEntry &e : entries_) {
        const uint8_t setup[8] = {e.setup.bmRequestType, e.setup.bRequest,
                                  static_cast<uint8_t>(e.setup.wValue), static_cast<uint8_t>(e.setup.wValue >> 8),
                                  static_cast<uint8_t>(e.setup.wIndex), static_cast<uint8_t>(e.setup.wIndex >> 8),
                                  static_cast<uint8_t>(e.setup.wLength), static_cast<uint8_t>(e.setup.wLength >> 8)};
        nlohmann::json j = {{"seq", e.seq},
                            {"setup", hex(setup, sizeof setup)},
                            {"dir", directionOf(e.setup) == Direction::In ? "in" : "out"},
                            {"group", e.setup.bRequest},
                            {"command", e.setup.wValue},
                            {"length", e.setup.wLength},
                            {"data", hex(e.data.data(), e.data.size())},
                            {"outcome", e.outcome},
                            {"bytes", e.bytesTransferred},
                            {"latency_us", e.latencyMicros}};
        if (e.fault != nullptr)
            j["fault"] = e.fault;
        out += j.dump();
        out += '\n';
    }
    return out;
}

} // namespace qms::sim
