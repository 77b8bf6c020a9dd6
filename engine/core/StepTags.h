#pragma once
// The step tag: a short text naming the step the print thread is in. The thread swaps an atomic
// pointer to one of the fixed texts; readers take it without a lock.
#include <atomic>
#include <cstring>
#include <string>

namespace tags {
inline constexpr const char* kNone = "";
inline constexpr const char* RD = "RD";
inline constexpr const char* RS = "RS";
inline constexpr const char* RTC = "RTC";
inline constexpr const char* WUPO = "WUPO";
inline constexpr const char* WUPOV = "WUPOV";
inline constexpr const char* MCM = "MCM";
inline constexpr const char* MCMO = "MCMO";
inline constexpr const char* WR = "WR";
inline constexpr const char* SMT = "SMT";
inline constexpr const char* WUYS = "WUYS";
inline constexpr const char* WUXS = "WUXS";
inline constexpr const char* CLN = "CLN";
inline constexpr const char* PPS = "PPS";
inline constexpr const char* FLS = "FLS";
inline constexpr const char* PCN = "PCN";
inline constexpr const char* PSTP = "PSTP";
inline constexpr const char* PRN = "PRN";
inline constexpr const char* PFNSH = "PFNSH";
inline constexpr const char* CLS = "CLS";
inline constexpr const char* EMG = "EMG STOP!";
} // namespace tags

class StepTag {
public:
    // Only the fixed texts above (or other string literals) may be stored: they live forever.
    void set(const char* tag) { tag_.store(tag, std::memory_order_release); }
    const char* get() const { return tag_.load(std::memory_order_acquire); }
    bool is(const char* text) const { return std::strcmp(get(), text) == 0; }
    std::string str() const { return get(); }
    StepTag& operator=(const char* tag) {
        set(tag);
        return *this;
    }

private:
    std::atomic<const char*> tag_{tags::kNone};
};
