#pragma once
// A card channel for tests: wraps another channel and fails chosen calls. Calls are counted per
// kind; failNth(kind, n) makes the n-th call of that kind (1-based, counted from now) fail,
// failFrom(kind, n) that call and every later one. A failed call does not reach the inner channel.
#include <array>
#include <memory>
#include <mutex>

#include "hardware/CardChannel.h"

namespace hw {

enum class CallKind { Read, Write, DspRead, DspWrite, DspStart, LoadFpga, LoadDsp, Bulk, Other, Count_ };

// Sorts a control call into its kind from its code and input size.
CallKind classifyCall(uint32_t code, const void* in, size_t inBytes);

class FaultyChannel : public CardChannel {
public:
    explicit FaultyChannel(std::shared_ptr<CardChannel> inner);

    void failNth(CallKind kind, unsigned n);
    void failFrom(CallKind kind, unsigned n);
    void clearFaults();
    // Calls of a kind seen so far (failed ones included).
    unsigned calls(CallKind kind) const;
    unsigned failures(CallKind kind) const;
    CardChannel& inner() { return *inner_; }

    bool isOpen() const override;
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes,
                 size_t* returned) override;
    bool write(const void* data, size_t bytes, size_t* written) override;

private:
    bool shouldFail(CallKind kind);

    struct Rule {
        unsigned at = 0;     // call number that fails (0: none)
        bool onward = false; // and every later one
    };
    std::shared_ptr<CardChannel> inner_;
    mutable std::mutex lock_;
    std::array<unsigned, size_t(CallKind::Count_)> calls_{};
    std::array<unsigned, size_t(CallKind::Count_)> failures_{};
    std::array<Rule, size_t(CallKind::Count_)> rules_{};
};

} // namespace hw
