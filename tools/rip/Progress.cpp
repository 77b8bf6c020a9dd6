#include "rip/Progress.h"

namespace rip {

void Progress::Update(uint64_t done, uint64_t total) {
    const int pct = total ? int(done * 100 / total) : 100;
    if (terminal_) {
        if (pct == shown_) return;
        shown_ = pct;
        const int filled = pct * 30 / 100;
        out_ << "\r" << label_ << " [" << std::string(size_t(filled), '#') << std::string(size_t(30 - filled), ' ')
             << "] " << pct << "%" << std::flush;
    } else {
        const int tenth = pct / 10 * 10;
        if (tenth == shown_) return;
        shown_ = tenth;
        out_ << label_ << ": " << tenth << "%\n" << std::flush;
    }
}

void Progress::Finish() {
    if (terminal_ && shown_ >= 0) out_ << "\n" << std::flush;
    shown_ = -1;
}

} // namespace rip
