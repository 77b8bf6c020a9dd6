// The I/O card wrapper and its numbered input and output functions.
#include <algorithm>

#include "DioTestSupport.h"
#include "hardware/DioFunctions.h"

using hwtest::IoTest;

namespace {

bool asked(const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

TEST_F(IoTest, OpenWithoutBaseAddressWarnsAndStillOpens) {
    EXPECT_EQ(drv_->AUXOpenDIO(), 1);
    EXPECT_TRUE(asked(prompter_->texts(), "ADDRESS NOT BE FOUND!"));
    EXPECT_FALSE(asked(prompter_->texts(), "DIO Card be not found!"));
    EXPECT_TRUE(CDIOCard::IsOpen());
    EXPECT_EQ(CDIOCard::BaseAddress(), 0);
    EXPECT_NE(CDIOCard::DeviceName().find("PCI-1751"), std::string::npos);
}

TEST_F(IoTest, OpenReadsBaseAddressAsSixteenBits) {
    setBaseAddress(0x10220);
    drv_->AUXOpenDIO();
    EXPECT_EQ(CDIOCard::BaseAddress(), 0x220);
    EXPECT_TRUE(prompter_->texts().empty());
    EXPECT_EQ(drv_->AUXCloseDIO(), 1);
    EXPECT_TRUE(CDIOCard::IsOpen()); // closing leaves the device to the process
}

TEST_F(IoTest, MissingCardIsReportedAndEveryCallFails) {
    setBaseAddress();
    machine_->setDioAbsent(true);
    EXPECT_EQ(drv_->AUXOpenDIO(), 1);
    auto texts = prompter_->texts();
    EXPECT_TRUE(asked(texts, "DIO Card be not found!"));
    EXPECT_TRUE(asked(texts, "I/O card not found or not open")); // the library's own text
    EXPECT_FALSE(CDIOCard::IsOpen());
    prompter_->clear();
    CDIOCard card;
    EXPECT_EQ(card.WriteBit(4, 0, 1), -1);
    EXPECT_EQ(card.ReadBit(1, 7), 0);
    EXPECT_EQ(card.ReadByte(kBase), 0);
    EXPECT_FALSE(CDIOCard::LastErrorText().empty());
    // No message box for the failing calls, only at open.
    drv_->bUseDIOCard = 1;
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_EMERGENCY), 0);
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_BUZZER, 1), 1);
    EXPECT_EQ(drv_->AUXDIOSensor(10), 0);
    EXPECT_TRUE(prompter_->texts().empty());
}

TEST_F(IoTest, NoDevicesBackendFailsTheSameWay) {
    hw::openDevices("none");
    setBaseAddress();
    drv_->AUXOpenDIO();
    EXPECT_FALSE(CDIOCard::IsOpen());
    EXPECT_TRUE(asked(prompter_->texts(), "DIO Card be not found!"));
    EXPECT_EQ(hw::dioSet(drv_->dioCard, DIO_SET_TENSION_1, 1), -1);
    EXPECT_EQ(drv_->AUXDIOGetCounter(0), 0);
}

// Every input function against its line: the line is driven to 0 and then to 1.
TEST_F(IoTest, InputFunctionsFollowTheirLines) {
    struct Expect {
        int func, port, bit;
        bool invert;
    };
    std::vector<Expect> table;
    for (int f = 0; f <= 7; ++f) table.push_back({f, 0, f, false});
    for (int f = 8; f <= 12; ++f) table.push_back({f, 1, f - 8, false});
    table.push_back({13, 1, 5, true});
    table.push_back({15, 1, 6, true});
    for (int f = 17; f <= 22; ++f) table.push_back({f, 0, f - 16, true});
    table.push_back({23, 1, 0, true});
    table.push_back({24, 1, 1, true});
    table.push_back({25, 0, 7, true});
    table.push_back({27, 0, 0, false});
    table.push_back({29, 1, 2, true});
    table.push_back({30, 1, 3, true});
    auto dio = scriptedIoCard();
    unsigned lines[2] = {0, 0};
    dio->input = [&](unsigned port, unsigned bit) { return (lines[port] >> bit) & 1u; };
    for (const auto& e : table) {
        SCOPED_TRACE(e.func);
        lines[0] = lines[1] = 0;
        EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(e.func)), e.invert ? 1 : 0);
        lines[e.port] = 1u << e.bit;
        EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(e.func)), e.invert ? 0 : 1);
        // No other line changes the reading.
        lines[e.port] = ~(1u << e.bit) & 0xFF;
        lines[1 - e.port] = 0xFF;
        EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(e.func)), e.invert ? 1 : 0);
    }
    lines[0] = lines[1] = 0;
    for (int f : {14, 16, 26, 46, 99, -1}) EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(f)), 0) << f;
    lines[0] = lines[1] = 0xFF;
    for (int f : {14, 16, 26}) EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(f)), 0) << f;
}

TEST_F(IoTest, OutputFunctionsWriteTheirLinesAndReadBack) {
    const int lines[15][2] = {{4, 0}, {4, 1}, {4, 2}, {4, 3}, {4, 4}, {4, 5}, {4, 6}, {4, 7},
                              {5, 1}, {5, 3}, {5, 4}, {5, 2}, {5, 5}, {5, 6}, {5, 7}};
    auto dio = scriptedIoCard();
    for (int f = 0; f < 15; ++f) {
        if (f == 6 || f == 7) continue; // the wiper has rules of its own
        SCOPED_TRACE(f);
        const size_t before = dio->writes().size();
        EXPECT_EQ(drv_->AUXDIOSet(DIOSetFuncs(f), 1), 1);
        auto w = dio->writes();
        ASSERT_EQ(w.size(), before + 1);
        EXPECT_EQ(w.back().port, unsigned(lines[f][0]));
        EXPECT_EQ(w.back().bit, unsigned(lines[f][1]));
        EXPECT_EQ(w.back().state, 1u);
        EXPECT_EQ(drv_->AUXDIOSet(DIOSetFuncs(f), 0), 0);
    }
    // Read-back functions of the outputs.
    const int readBack[][3] = {{31, 4, 0}, {32, 4, 1}, {33, 4, 2}, {34, 4, 3}, {35, 4, 4}, {36, 4, 5},
                               {37, 4, 6}, {39, 5, 1}, {40, 5, 3}, {41, 5, 4}, {42, 5, 2}, {43, 5, 5},
                               {44, 5, 6}, {45, 5, 7}};
    for (const auto& r : readBack) {
        SCOPED_TRACE(r[0]);
        dio->setOutput(unsigned(r[1]), unsigned(r[2]), true);
        EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(r[0])), 1);
        dio->setOutput(unsigned(r[1]), unsigned(r[2]), false);
        EXPECT_EQ(drv_->AUXDIOGet(DIOGetFuncs(r[0])), 0);
    }
    // Unknown functions write nothing and report 1.
    const size_t before = dio->writes().size();
    EXPECT_EQ(hw::dioSet(drv_->dioCard, 15, 1), 1);
    EXPECT_EQ(hw::dioSet(drv_->dioCard, -3, 1), 1);
    EXPECT_EQ(dio->writes().size(), before);
}

TEST_F(IoTest, WiperLineReadTwiceReportsOnlyAFallingEdge) {
    auto dio = scriptedIoCard();
    // Output P4.7 read back: the scripted card flips it between the two reads on demand.
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_FALLING), 0); // 0, 0
    dio->setOutput(4, 7, true);
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_FALLING), 0); // 1, 1
    class Falling : public hwtest::ScriptedDio {
    public:
        int32_t DRV_DioReadBit(int32_t, uint16_t, uint16_t, uint16_t* state) override {
            *state = n_++ % 2 == 0 ? first : uint16_t(!first);
            return hw::kDioSuccess;
        }
        uint16_t first = 1;

    private:
        unsigned n_ = 0;
    };
    auto f = std::make_shared<Falling>();
    hw::setDio(f);
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_FALLING), 1); // 1 then 0
    f->first = 0;
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_FALLING), 0); // 0 then 1
}

TEST_F(IoTest, EmergencyInputIsConfirmedAfter200ms) {
    useIoCard();
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_EMERGENCY), 0);
    machine_->pressEmergencyStop(true);
    uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_EMERGENCY), 1);
    EXPECT_GE(platform::nowUs() - t0, 200000u);
    // A glitch released within the 200 ms is no emergency.
    machine_->scheduleEmergencyStopAt(false, 100000);
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_EMERGENCY), 0);
    // Released: a single read, no wait.
    t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_EMERGENCY), 0);
    EXPECT_LT(platform::nowUs() - t0, 200000u);
}

TEST_F(IoTest, WiperEnableOffWaits500msBeforeItsTwoWrites) {
    platform::setTimeScale(10); // coarser clock: "no wait" must stay well under 500 ms
    auto dio = scriptedIoCard();
    uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_ENABLE, 1), 1);
    auto w = dio->writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_LT(w[0].us - t0, 250000u);
    EXPECT_GE(w[1].us - w[0].us, 10000u);
    for (const auto& x : w) EXPECT_TRUE(x.port == 4 && x.bit == 6 && x.state == 1);

    t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_ENABLE, 0), 0);
    w = dio->writes();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_GE(w[2].us - t0, 500000u);
    EXPECT_GE(w[3].us - w[2].us, 10000u);
    EXPECT_TRUE(w[2].state == 0 && w[3].state == 0);
}

TEST_F(IoTest, WiperMovesOutAndInWithFeedback) {
    useIoCard();
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 1), 1);
    EXPECT_DOUBLE_EQ(machine_->wiperPosition(), 1.0);
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_OUT), 1);
    EXPECT_EQ(drv_->AUXDIOGet(DIO_GET_WIPER_IN), 0);
    EXPECT_EQ(machine_->dioOutput(4) & 0xC0u, 0xC0u); // enabled and out
    // Already out: nothing is written to the position line.
    machine_->clearEvents();
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 1), 1);
    for (const auto& e : dioEvents()) EXPECT_EQ(e.find("P4.7"), std::string::npos) << e;
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 0), 0);
    EXPECT_DOUBLE_EQ(machine_->wiperPosition(), 0.0);
    EXPECT_TRUE(prompter_->texts().empty());
}

TEST_F(IoTest, StuckWiperAsksUntilTheOperatorGivesUp) {
    useIoCard();
    machine_->setDioInput(1, 2, "1"); // the "out" switch never closes
    prompter_->push(platform::IDYES);
    prompter_->push(platform::IDYES);
    prompter_->push(platform::IDNO);
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 1), 1);
    auto texts = prompter_->texts();
    ASSERT_EQ(texts.size(), 3u);
    for (const auto& t : texts) EXPECT_EQ(t, "Wipper wiping Time out,Pls check the Problem :1");
    // Both switches stuck: the default answer (No) gives up after one question.
    prompter_->clear();
    machine_->setDioInput(1, 2, "1");
    machine_->setDioInput(1, 3, "0"); // stuck: reads fully in whatever happens
    EXPECT_EQ(drv_->AUXDIOSet(DIO_SET_WIPER_POSITION, 1), 1);
    ASSERT_EQ(prompter_->texts().size(), 1u);
    EXPECT_EQ(prompter_->texts()[0], "Wipper wiping Time out,Pls check the Problem :1");
}

TEST_F(IoTest, SelectorsFromTheirTwoLines) {
    useIoCard();
    for (unsigned pair = 0; pair < 6; ++pair)
        for (unsigned value : {1u, 2u, 0u}) {
            machine_->setSelector(pair, value);
            EXPECT_EQ(drv_->AUXDIOGetSelector(pair), int(value)) << pair << " " << value;
        }
    // Both lines high also reads 0.
    machine_->setDioInput(1, 2, "1");
    machine_->setDioInput(1, 1, "1");
    EXPECT_EQ(drv_->AUXDIOGetSelector(4), 0);
    EXPECT_EQ(drv_->AUXDIOGetSelector(6), 0);
}

TEST_F(IoTest, SensorsOneToNineReadTheirInvertedLines) {
    useIoCard();
    const int lines[9][2] = {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {1, 0}, {0, 5}, {0, 6}, {1, 1}, {0, 7}};
    for (unsigned s = 1; s <= 9; ++s) EXPECT_EQ(drv_->AUXDIOSensor(s), 0) << s; // all lines idle (1)
    for (unsigned s = 1; s <= 9; ++s) {
        machine_->setDioInput(unsigned(lines[s - 1][0]), unsigned(lines[s - 1][1]), "0");
        for (unsigned t = 1; t <= 9; ++t) EXPECT_EQ(drv_->AUXDIOSensor(t), t == s ? 1 : 0) << s << " " << t;
        machine_->setDioInput(unsigned(lines[s - 1][0]), unsigned(lines[s - 1][1]), "1");
    }
    EXPECT_EQ(drv_->AUXDIOSensor(0), 0);
    EXPECT_EQ(drv_->AUXDIOSensor(11), 0);
}

TEST_F(IoTest, CounterReadsLowThenHighByte) {
    useIoCard();
    machine_->setCounter(2, 0x1234);
    machine_->setCounter(0, 0x00FF);
    EXPECT_EQ(drv_->AUXDIOGetCounter(2), 0x1234);
    EXPECT_EQ(drv_->AUXDIOGetCounter(0), 0x00FF);
    EXPECT_EQ(drv_->AUXDIOGetCounter(200), 0); // beyond the card's counters
}

} // namespace
