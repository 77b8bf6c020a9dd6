#include "hardware/DioFunctions.h"

#include <array>
#include <cstdio>

#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace hw {
namespace {

enum class GetRule : uint8_t { Zero, Line, Emergency, Falling };

struct GetRow {
    GetRule rule;
    uint8_t port, bit;
    bool invert;
};

constexpr GetRow line(uint8_t port, uint8_t bit, bool invert = false) { return {GetRule::Line, port, bit, invert}; }
constexpr GetRow inv(uint8_t port, uint8_t bit) { return line(port, bit, true); }
constexpr GetRow zero() { return {GetRule::Zero, 0, 0, false}; }

constexpr std::array<GetRow, DIO_GET_COUNT> kGet = {{
    line(0, 0), line(0, 1), line(0, 2), line(0, 3), line(0, 4), line(0, 5), line(0, 6), line(0, 7), // 0..7
    line(1, 0), line(1, 1), line(1, 2), line(1, 3), line(1, 4),                                     // 8..12
    inv(1, 5),                                                                                      // 13
    zero(),                                                                                         // 14
    inv(1, 6),                                                                                      // 15
    zero(),                                                                                         // 16
    inv(0, 1), inv(0, 2), inv(0, 3), inv(0, 4), inv(0, 5), inv(0, 6),                               // 17..22
    inv(1, 0), inv(1, 1),                                                                           // 23, 24
    inv(0, 7),                                                                                      // 25
    zero(),                                                                                         // 26
    line(0, 0),                                                                                     // 27
    {GetRule::Emergency, 1, 7, false},                                                              // 28
    inv(1, 2), inv(1, 3),                                                                           // 29, 30
    line(4, 0), line(4, 1), line(4, 2), line(4, 3), line(4, 4), line(4, 5), line(4, 6),             // 31..37
    {GetRule::Falling, 4, 7, false},                                                                // 38
    line(5, 1), line(5, 3), line(5, 4), line(5, 2),                                                 // 39..42
    line(5, 5), line(5, 6), line(5, 7),                                                             // 43..45
}};

struct SetRow {
    uint8_t port, bit;
};

constexpr std::array<SetRow, DIO_SET_COUNT> kSet = {{
    {4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}, {4, 6}, {4, 7}, // 0..7
    {5, 1}, {5, 3}, {5, 4}, {5, 2}, {5, 5}, {5, 6}, {5, 7},         // 8..14
}};

// The two input functions of each selector.
constexpr std::array<std::array<int, 2>, 6> kSelectors = {{{0, 1}, {2, 3}, {4, 5}, {6, 7}, {10, 9}, {12, 11}}};

int writeLine(CDIOCard& card, int func, int state) {
    const SetRow& r = kSet[size_t(func)];
    return card.WriteBit(r.port, r.bit, state ? 1 : 0);
}

// The enable line: off only after the wiper had time to finish; written twice against a missed edge.
int wiperEnable(CDIOCard& card, int state) {
    if (!state) platform::sleepMs(kWiperDisableDelayMs);
    writeLine(card, DIO_SET_WIPER_ENABLE, state);
    platform::sleepMs(kWiperEnableGapMs);
    return writeLine(card, DIO_SET_WIPER_ENABLE, state);
}

bool wiperAt(CDIOCard& card, int state) {
    const int out = dioGet(card, DIO_GET_WIPER_OUT), in = dioGet(card, DIO_GET_WIPER_IN);
    return state ? (out == 1 && in == 0) : (out == 0 && in == 1);
}

// The wiper position line, checked against the two feedback switches.
int wiperPosition(CDIOCard& card, int state) {
    state = state ? 1 : 0;
    wiperEnable(card, 1);
    const int out = dioGet(card, DIO_GET_WIPER_OUT), in = dioGet(card, DIO_GET_WIPER_IN);
    if (state ? out != 0 : in != 0) return 1;
    writeLine(card, DIO_SET_WIPER_POSITION, state);
    platform::sleepMs(kWiperRepeatMs);
    writeLine(card, DIO_SET_WIPER_POSITION, state);
    platform::sleepMs(kWiperSettleMs);
    bool done = false;
    for (unsigned i = 0; i < kWiperPolls && !done; ++i) {
        done = wiperAt(card, state);
        if (!done) platform::sleepMs(kWiperPollMs);
    }
    if (!done) {
        char text[96];
        std::snprintf(text, sizeof text, "Wipper wiping Time out,Pls check the Problem :%d", state);
        platform::logf(platform::LogLevel::Warn, "wiper did not reach position %d", state);
        // The operator decides: Yes looks again, No gives up.
        while (!wiperAt(card, state) && platform::messageBox(text, platform::Buttons::YesNo) == platform::IDYES) {
        }
    }
    return state;
}

} // namespace

int dioGet(CDIOCard& card, int func) {
    if (func < 0 || func >= DIO_GET_COUNT) return 0;
    const GetRow& r = kGet[size_t(func)];
    switch (r.rule) {
    case GetRule::Zero: return 0;
    case GetRule::Line: {
        const int v = card.ReadBit(r.port, r.bit);
        return r.invert ? !v : v;
    }
    case GetRule::Emergency:
        // A pressed button must still read pressed a moment later: a glitch is no emergency.
        if (card.ReadBit(r.port, r.bit) != 1) return 0;
        platform::sleepMs(kEmergencyConfirmMs);
        return card.ReadBit(r.port, r.bit);
    case GetRule::Falling: {
        const int first = card.ReadBit(r.port, r.bit);
        const int second = card.ReadBit(r.port, r.bit);
        return first == 1 && second == 0 ? 1 : 0;
    }
    }
    return 0;
}

int dioSet(CDIOCard& card, int func, int state) {
    if (func < 0 || func >= DIO_SET_COUNT) return 1;
    if (func == DIO_SET_WIPER_ENABLE) return wiperEnable(card, state);
    if (func == DIO_SET_WIPER_POSITION) return wiperPosition(card, state);
    return writeLine(card, func, state);
}

int dioSelector(CDIOCard& card, unsigned index) {
    if (index >= kSelectors.size()) return 0;
    const int a = dioGet(card, kSelectors[index][0]), b = dioGet(card, kSelectors[index][1]);
    if (a == b) return 0;
    return a == 0 ? 1 : 2;
}

} // namespace hw
