#include "hardware/FaultyChannel.h"

namespace hw {

CallKind classifyCall(uint32_t code, const void* in, size_t inBytes) {
    switch (code) {
    case kCtlRead:
        if (inBytes >= 8 && getWord(in) == kDspPort) return CallKind::DspRead;
        return CallKind::Read;
    case kCtlWrite:
        if (inBytes >= 12 && getWord(in) == kDspPort) return CallKind::DspWrite;
        if (inBytes >= 12 && getWord(in) == kDspStartPort) return CallKind::DspStart;
        return CallKind::Write;
    case kCtlLoadFpga: return CallKind::LoadFpga;
    case kCtlLoadDsp: return CallKind::LoadDsp;
    default: return CallKind::Other;
    }
}

FaultyChannel::FaultyChannel(std::shared_ptr<CardChannel> inner) : inner_(std::move(inner)) {}

void FaultyChannel::failNth(CallKind kind, unsigned n) {
    std::lock_guard g(lock_);
    rules_[size_t(kind)] = {calls_[size_t(kind)] + n, false};
}

void FaultyChannel::failFrom(CallKind kind, unsigned n) {
    std::lock_guard g(lock_);
    rules_[size_t(kind)] = {calls_[size_t(kind)] + n, true};
}

void FaultyChannel::clearFaults() {
    std::lock_guard g(lock_);
    rules_ = {};
}

unsigned FaultyChannel::calls(CallKind kind) const {
    std::lock_guard g(lock_);
    return calls_[size_t(kind)];
}

unsigned FaultyChannel::failures(CallKind kind) const {
    std::lock_guard g(lock_);
    return failures_[size_t(kind)];
}

bool FaultyChannel::shouldFail(CallKind kind) {
    std::lock_guard g(lock_);
    unsigned n = ++calls_[size_t(kind)];
    const Rule& r = rules_[size_t(kind)];
    bool fail = r.at != 0 && (n == r.at || (r.onward && n > r.at));
    if (fail) ++failures_[size_t(kind)];
    return fail;
}

bool FaultyChannel::isOpen() const { return inner_->isOpen(); }

bool FaultyChannel::control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes,
                            size_t* returned) {
    if (shouldFail(classifyCall(code, in, inBytes))) {
        if (returned) *returned = 0;
        return false;
    }
    return inner_->control(code, in, inBytes, out, outBytes, returned);
}

bool FaultyChannel::write(const void* data, size_t bytes, size_t* written) {
    if (shouldFail(CallKind::Bulk)) {
        if (written) *written = 0;
        return false;
    }
    return inner_->write(data, bytes, written);
}

} // namespace hw
