#pragma once
// Shared pieces of the maintenance tests: an engine with the virtual I/O card on a fresh virtual
// printer, and the event log as short texts.
#include <functional>
#include <string>
#include <vector>

#include "../../hardware/tests/DioTestSupport.h"
#include "platform/Clock.h"

namespace mainttest {

class MaintTest : public hwtest::IoTest {
protected:
    void SetUp() override {
        IoTest::SetUp();
        platform::setTimeScale(1000);
        drv_->XSpeedPause[0] = 50; // speed index 0 at a real speed (the default creeps)
        drv_->PRNInitLimitPosition();
        useIoCard();
    }
    // Events of the given kinds since `since` (virtual us), "kind: what".
    std::vector<std::string> log(std::initializer_list<const char*> kinds, uint64_t since = 0) {
        std::vector<std::string> v;
        for (const auto& e : machine_->events({}, since)) {
            for (const char* k : kinds)
                if (e.kind == k) v.push_back(e.kind + ": " + e.what);
        }
        return v;
    }
    static size_t count(const std::vector<std::string>& v, const std::string& part) {
        size_t n = 0;
        for (const auto& s : v) n += s.find(part) != std::string::npos;
        return n;
    }
    // Index of the first entry at or after `from` holding `part`, or -1.
    static int find(const std::vector<std::string>& v, const std::string& part, int from = 0) {
        for (size_t i = size_t(std::max(0, from)); i < v.size(); ++i)
            if (v[i].find(part) != std::string::npos) return int(i);
        return -1;
    }
    // Polls until pred holds or `ms` of machine time passed.
    static bool waitFor(const std::function<bool()>& pred, uint32_t ms) {
        const uint64_t end = platform::nowUs() + uint64_t(ms) * 1000;
        while (!pred()) {
            if (platform::nowUs() >= end) return pred();
            platform::sleepMs(5);
        }
        return true;
    }
};

} // namespace mainttest
