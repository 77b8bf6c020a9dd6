#pragma once
// The virtual printer's event log: what changed and when (virtual time since the machine was
// created). Tests query it; the console prints it.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sim {

struct Event {
    uint64_t us = 0;   // virtual microseconds since the machine was created
    std::string kind;  // output, input, move, stop, fire, transfer, encoder, mailbox, firmware, dio,
                       // flash, fault, device, media, card
    std::string what;
};

class EventLog {
public:
    static constexpr size_t kMaxEvents = 200000;

    void add(uint64_t us, std::string kind, std::string what);
    void clear();
    // Events of a kind ("" for all) at or after `sinceUs`.
    std::vector<Event> query(const std::string& kind = {}, uint64_t sinceUs = 0) const;
    size_t count(const std::string& kind = {}) const;
    uint64_t dropped() const { return dropped_; }

private:
    std::deque<Event> events_;
    uint64_t dropped_ = 0;
};

} // namespace sim
