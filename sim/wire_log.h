// The record of every request on the wire: setup packet, payload or reply bytes, outcome.
// It keeps the newest kMaxEntries requests so that a long-running module cannot grow it
// without bound; `seq` keeps counting, so a gap shows that older requests were dropped.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/request.h"

namespace qms::sim {

struct WireLogEntry {
    uint64_t seq = 0;
    SetupPacket setup{};
    std::vector<uint8_t> data; // OUT: the payload; IN: the reply bytes sent
    const char *outcome = "completed";
    uint32_t bytesTransferred = 0;
    uint32_t latencyMicros = 0;
    const char *fault = nullptr; // the injected fault, if one hit the request
};

class WireLog {
public:
    static constexpr size_t kMaxEntries = 10000;

    void append(WireLogEntry entry);
    void clear() { entries_.clear(); }
    // JSON lines, one request a line.
    std::string toJsonLines() const;
    size_t size() const { return entries_.size(); }

private:
    std::deque<WireLogEntry> entries_;
    uint64_t nextSeq_ = 1;
};

} // namespace qms::sim
