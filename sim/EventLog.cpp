#include "EventLog.h"

namespace sim {

void EventLog::add(uint64_t us, std::string kind, std::string what) {
    if (events_.size() >= kMaxEvents) {
        events_.pop_front();
        ++dropped_;
    }
    events_.push_back({us, std::move(kind), std::move(what)});
}

void EventLog::clear() {
    events_.clear();
    dropped_ = 0;
}

std::vector<Event> EventLog::query(const std::string& kind, uint64_t sinceUs) const {
    std::vector<Event> out;
    for (const auto& e : events_)
        if (e.us >= sinceUs && (kind.empty() || e.kind == kind)) out.push_back(e);
    return out;
}

size_t EventLog::count(const std::string& kind) const {
    if (kind.empty()) return events_.size();
    size_t n = 0;
    for (const auto& e : events_) n += e.kind == kind;
    return n;
}

} // namespace sim
