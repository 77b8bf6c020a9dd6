#pragma once
// Progress of long work: a bar redrawn in place on a terminal, plain lines every 10% otherwise.
#include <cstdint>
#include <ostream>
#include <string>

namespace rip {

class Progress {
public:
    Progress(std::ostream& out, bool terminal, std::string label)
        : out_(out), terminal_(terminal), label_(std::move(label)) {}
    void Update(uint64_t done, uint64_t total);
    void Finish();

private:
    std::ostream& out_;
    bool terminal_;
    std::string label_;
    int shown_ = -1;
};

} // namespace rip
