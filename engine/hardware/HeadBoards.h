#pragma once
// The head control boards behind the card's mailbox: the per-head record of the older board, the
// mailbox commands and the heater-code rules shared by the engine and its tests.
#include <array>
#include <cstdint>

// The 16-byte record exchanged with the older head-parameter board, one per head. Its meaning is
// the board's; bytes 0 and 1 select what a read returns. A write forces bytes 1, 3, 4, 5, 7, 8 and
// puts the marker into bytes 12..15.
struct HeadsParams {
    uint8_t byData[16] = {};
};
static_assert(sizeof(HeadsParams) == 16);

namespace hw {

// Commands of REG_HEADS_COMMAND: the function in bits 0..2, the strobe in bit 3; bit 5 reads the
// board's acknowledge.
constexpr uint32_t kHeadsStrobe = 8;
constexpr uint32_t kHeadsAck = 0x20;
constexpr uint32_t kHeadsBoardA = 0, kHeadsBoardB = 4, kHeadsTemperatures = 3, kHeadsIdent = 1;
constexpr uint32_t kHeadsParamsMarker = 0xAA55AA55u;
// Two series of this many polls, 10 ms apart, wait for the older board's acknowledge.
constexpr unsigned kHeadsAckPolls = 100;
constexpr unsigned kHeadsAckPollMs = 10;

// Heater code of a colour channel (1-based, cycling every 6): channel n in the low nibble and
// 15 - n in the high one; 0x5A with the heaters off. Channel 0 counts as channel 6.
constexpr uint8_t heaterCode(int colorChannel, bool heatersOn) {
    unsigned n = 90;
    if (heatersOn) n = static_cast<unsigned>(((colorChannel - 1) % 6 + 6) % 6);
    return static_cast<uint8_t>(n | ((~n << 4) & 0xFFu));
}

// Thermistor codes for 8..60 degrees C, one per degree.
constexpr std::array<uint8_t, 53> kHeaterTemperatureCodes = {
    169, 166, 164, 162, 159, 157, 154, 152, 149, 147, 144, 142, 140, 137, 135, 132, 130, 128,
    125, 123, 120, 118, 116, 113, 111, 109, 107, 104, 102, 100, 98,  96,  94,  92,  90,  88,
    86,  84,  82,  80,  78,  76,  75,  73,  71,  70,  68,  66,  65,  63,  62,  60,  59};
constexpr int kHeaterTableFirstC = 8;

// Heater code of a head heated to a temperature: the table entry of trunc(celsius - 8), held to
// the table's ends (8 and 60 degrees).
uint8_t heaterTemperatureCode(float celsius);

} // namespace hw
