#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "core/RipValidate.h"
#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

using namespace testsupport;

namespace {

struct RipFileTest : ::testing::Test {
    ScratchDir dir;
    std::shared_ptr<platform::ScriptedPrompter> prompts = std::make_shared<platform::ScriptedPrompter>();
    CDrvPrint d;
    void SetUp() override { platform::setPrompter(prompts); }
    void TearDown() override { platform::setPrompter(nullptr); }
    std::vector<std::string> texts() const { return prompts->texts(); }
    std::vector<uint8_t> readRaster(unsigned chunk) {
        std::vector<uint8_t> got, buf(chunk);
        for (;;) {
            unsigned n = d.PRNReadRaster(buf.data(), chunk);
            got.insert(got.end(), buf.begin(), buf.begin() + n);
            if (n < chunk) return got;
        }
    }
};

TEST_F(RipFileTest, GetRipHeadReadsTheRecord) {
    RipHead h = ripHead(100, 4, 6);
    h.uiReserved0 = 0x6666;
    writeBytes(dir.file("a.prn"), ripBytes(h));
    std::filesystem::permissions(dir.file("a.prn"), std::filesystem::perms::owner_read); // read-only is fine
    RipHead r;
    EXPECT_EQ(d.AUXGetRipHead(dir.file("a.prn"), &r), 0);
    EXPECT_EQ(0, memcmp(&r, &h, sizeof h));
    EXPECT_TRUE(texts().empty());
}

TEST_F(RipFileTest, GetRipHeadLeavesTheRecordOnFailure) {
    RipHead r = ripHead(1, 1, 1, 77);
    EXPECT_EQ(d.AUXGetRipHead(dir.file("missing.prn"), &r), -1);
    writeBytes(dir.file("short.prn"), std::vector<uint8_t>(47, 0xAB));
    EXPECT_EQ(d.AUXGetRipHead(dir.file("short.prn"), &r), -1);
    EXPECT_EQ(d.AUXGetRipHead(dir.path(), &r), -1); // a directory
    EXPECT_EQ(r.uiXDPI, 77u);
    EXPECT_TRUE(texts().empty()); // no message on this path
}

TEST_F(RipFileTest, InitDataOpensChecksAndReadsALocalFile) {
    RipHead h = ripHead(30, 5, 4); // 4 bytes per plane line
    auto bytes = ripBytes(h);
    writeBytes(dir.file("job.prn"), bytes);
    d.csName = dir.file("job.prn");
    d.iXShiftPending = 3;
    d.iYShiftPending = -2;
    d.iYShiftTargetA = d.iYShiftTargetB = d.iYShiftA = d.iYShiftB = 9;
    ASSERT_EQ(d.PRNInitData(), 0);
    EXPECT_EQ(d.iXShiftPending, 0);
    EXPECT_EQ(d.iYShiftPending, 0);
    EXPECT_EQ(d.iYShiftTargetA + d.iYShiftTargetB + d.iYShiftA + d.iYShiftB, 0);
    EXPECT_EQ(d.ui64FilePos, 48u);
    EXPECT_EQ(d.uiFileSize, 4u * 5 * 4 + 48);
    EXPECT_EQ(d.ripHead.uiWidth, 30u);
    EXPECT_TRUE(d.netFile.IsOpen());
    auto raster = readRaster(7);
    EXPECT_TRUE(std::equal(raster.begin(), raster.end(), bytes.begin() + 48));
    EXPECT_EQ(raster.size(), bytes.size() - 48);
    uint8_t b[4];
    EXPECT_EQ(d.PRNReadRaster(b, 4), 0u); // at the end
    EXPECT_EQ(d.PRNReadRaster(b, 0), 0u);
    // Seeking back re-reads a line (what the band reader's line shift does).
    ASSERT_EQ(d.PRNSeekRaster(48 + 16), 0);
    ASSERT_EQ(d.PRNReadRaster(b, 4), 4u);
    EXPECT_EQ(0, memcmp(b, bytes.data() + 64, 4));
    d.PRNReadClose();
    EXPECT_FALSE(d.netFile.IsOpen());
    EXPECT_TRUE(texts().empty());
}

TEST_F(RipFileTest, ExtraPlanesAreAcceptedAndRead) {
    d.COLORS = 4;
    RipHead h = ripHead(16, 3, 8); // more planes than colour channels
    auto bytes = ripBytes(h);
    writeBytes(dir.file("x.prn"), bytes);
    d.csName = dir.file("x.prn");
    ASSERT_EQ(d.PRNInitData(), 0);
    EXPECT_EQ(d.ripHead.uiColors, 8u);
    EXPECT_EQ(d.uiFileSize, 2u * 8 * 3 + 48);
    EXPECT_EQ(readRaster(1000).size(), 48u);
}

TEST_F(RipFileTest, RasterReadsStopAtTheRasterEnd) {
    RipHead h = ripHead(8, 2, 1);
    writeBytes(dir.file("long.prn"), ripBytes(h, 100)); // 100 bytes of something else after the raster
    d.csName = dir.file("long.prn");
    ASSERT_EQ(d.PRNInitData(), 0);
    EXPECT_EQ(readRaster(64).size(), 2u);
}

TEST_F(RipFileTest, OpenFailureShowsTheMessage) {
    d.csName = dir.file("missing.prn");
    EXPECT_EQ(d.PRNInitData(), -1);
    d.bLanguageChinese = 1;
    EXPECT_EQ(d.PRNInitData(), -1);
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[0], "Initialize Read Data Error, Printing will be canceled.");
    EXPECT_EQ(texts()[1], "初始化读数据错误，打印将被取消。");
}

TEST_F(RipFileTest, NetNameWithMoreCharactersIsAnOrdinaryFile) {
    // A receiver with a job waiting must not be touched by a name that only begins with "##*NET".
    NetReceiver::Options o;
    o.port = 0;
    ASSERT_TRUE(d.netFile.StartReceiver(o, nullptr));
    d.csName = "##*NET.prn";
    EXPECT_EQ(d.PRNIsNetJob(), 0);
    EXPECT_EQ(d.PRNInitData(), -1);
    EXPECT_EQ(texts().at(0), "Initialize Read Data Error, Printing will be canceled.");
    RipHead h = ripHead(8, 1, 1);
    writeBytes(dir.file("##*NETjob"), ripBytes(h));
    d.csName = dir.file("##*NETjob");
    EXPECT_EQ(d.PRNInitData(), 0);
    EXPECT_FALSE(d.netFile.IsStream());
}

TEST_F(RipFileTest, BrokenHeadersAreRefusedWithAClearMessage) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* word;
    };
    RipHead zero = ripHead(100, 10, 4);
    zero.uiXDPI = 0;
    RipHead narrow = ripHead(100, 10, 4);
    narrow.uiBytesPerLine = 12;
    RipHead huge = ripHead(100, 10, 4);
    huge.uiColors = 0x40000000;
    huge.uiHeight = 0x40000000;
    std::vector<uint8_t> header(48);
    EncodeRipHead(huge, header.data());
    Case cases[] = {
        {"zero.prn", ripBytes(zero), "horizontal resolution 0"},
        {"narrow.prn", ripBytes(narrow), "cannot hold 100 dots"},
        {"huge.prn", header, "colour planes"},
        {"cut.prn", ripBytes(ripHead(100, 10, 4), -1), "but its header needs 568 bytes"},
        {"tiny.prn", std::vector<uint8_t>(20, 1), "after 20 bytes"},
        {"empty.prn", {}, "after 0 bytes"},
    };
    for (const auto& c : cases) {
        prompts->clear();
        writeBytes(dir.file(c.name), c.bytes);
        d.csName = dir.file(c.name);
        EXPECT_EQ(d.PRNInitData(), -1) << c.name;
        ASSERT_EQ(texts().size(), 1u) << c.name;
        EXPECT_NE(texts()[0].find(c.word), std::string::npos) << texts()[0];
        EXPECT_NE(texts()[0].find("is refused"), std::string::npos) << texts()[0];
        EXPECT_NE(texts()[0].find(c.name), std::string::npos) << texts()[0];
        EXPECT_FALSE(d.netFile.IsOpen()) << c.name;
        uint8_t b[8];
        EXPECT_EQ(d.PRNReadRaster(b, 8), 0u);
    }
    prompts->clear();
    d.bLanguageChinese = 1;
    d.csName = dir.file("narrow.prn");
    EXPECT_EQ(d.PRNInitData(), -1);
    EXPECT_NE(texts().at(0).find("被拒绝：每行12字节容纳不下100个点"), std::string::npos) << texts()[0];
}

TEST_F(RipFileTest, TypeOneReadsHeaderAndRasterThroughItsHandle) {
    d.uiType = 1;
    RipHead h = ripHead(24, 6, 3);
    auto bytes = ripBytes(h);
    writeBytes(dir.file("t1.prn"), bytes);
    d.csName = dir.file("t1.prn");
    ASSERT_EQ(d.PRNInitData(), 0);
    EXPECT_TRUE(d.hRipFile.valid());
    EXPECT_FALSE(d.netFile.IsOpen());
    EXPECT_EQ(d.ripHead.uiColors, 3u);
    EXPECT_EQ(d.uiFileSize, bytes.size());
    auto raster = readRaster(5);
    ASSERT_EQ(raster.size(), bytes.size() - 48);
    EXPECT_TRUE(std::equal(raster.begin(), raster.end(), bytes.begin() + 48));
    ASSERT_EQ(d.PRNSeekRaster(48), 0);
    uint8_t b;
    ASSERT_EQ(d.PRNReadRaster(&b, 1), 1u);
    EXPECT_EQ(b, bytes[48]);
    d.PRNReadClose();
    EXPECT_FALSE(d.hRipFile.valid());

    writeBytes(dir.file("t1bad.prn"), ripBytes(h, -10));
    d.csName = dir.file("t1bad.prn");
    EXPECT_EQ(d.PRNInitData(), -1);
    EXPECT_FALSE(d.hRipFile.valid());
    d.csName = dir.file("none.prn");
    EXPECT_EQ(d.PRNInitData(), -1);
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_NE(texts()[0].find("header needs"), std::string::npos);
    EXPECT_EQ(texts()[1], "Initialize Read Data Error, Printing will be canceled.");
}

TEST_F(RipFileTest, UnknownTypeIsRefused) {
    writeBytes(dir.file("a.prn"), ripBytes(ripHead(8, 1, 1)));
    d.csName = dir.file("a.prn");
    d.uiType = 2;
    d.ripHead = ripHead(8, 1, 1, 123);
    EXPECT_EQ(d.PRNInitData(), -1);
    EXPECT_FALSE(d.netFile.IsOpen());
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_NE(texts()[0].find("uiType 2"), std::string::npos);
}

// ---- network jobs

int connectTo(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends `bytes` in pieces, then holds the connection open until `release` (when given) is set.
std::thread sendJob(uint16_t port, std::vector<uint8_t> bytes, size_t piece, unsigned pauseMs,
                    std::atomic<bool>* release = nullptr) {
    return std::thread([=] {
        int fd = connectTo(port);
        ASSERT_GE(fd, 0);
        for (size_t off = 0; off < bytes.size(); off += piece) {
            size_t n = std::min(piece, bytes.size() - off);
            if (::send(fd, bytes.data() + off, n, MSG_NOSIGNAL) != ssize_t(n)) break;
            if (pauseMs) platform::sleepMs(pauseMs);
        }
        if (release)
            while (!*release) platform::sleepMs(5);
        ::close(fd);
    });
}

struct RipNetTest : RipFileTest {
    std::atomic<int> announced{0};
    void SetUp() override {
        RipFileTest::SetUp();
        d.csBaseDir = dir.path();
        d.uiNetPort = 0;
        d.onNetJobReady = [this] { ++announced; };
        ASSERT_EQ(d.PRNNetStart(), 0);
        ASSERT_NE(d.uiNetPort, 0u);
        d.netFile.SetStreamTimeouts(300, 3000);
        d.csName = "##*NET";
    }
};

TEST_F(RipNetTest, JobIsStreamedAndReadBackByteForByte) {
    RipHead h = ripHead(1000, 300, 4); // 150 kB of raster
    auto bytes = ripBytes(h);
    auto t = sendJob(uint16_t(d.uiNetPort), bytes, 4096, 1);
    ASSERT_EQ(d.PRNInitData(), 0);
    EXPECT_EQ(d.PRNIsNetJob(), 1);
    EXPECT_TRUE(d.netFile.IsStream());
    EXPECT_EQ(d.uiFileSize, bytes.size());
    EXPECT_EQ(d.ui64FilePos, 48u);
    auto raster = readRaster(125 * 4 * 16); // bands of 16 lines
    t.join();
    ASSERT_EQ(raster.size(), bytes.size() - 48);
    EXPECT_TRUE(std::equal(raster.begin(), raster.end(), bytes.begin() + 48));
    EXPECT_EQ(d.uiNetJobReady.load(), 1u);
    EXPECT_EQ(announced.load(), 1);
    EXPECT_EQ(d.PRNSeekRaster(48), -1); // a stream cannot go back
    d.PRNReadClose();
    EXPECT_TRUE(texts().empty());
}

TEST_F(RipNetTest, BrokenHeaderOnTheStreamIsRefused) {
    RipHead h = ripHead(1000, 300, 4);
    h.uiBytesPerLine = 3;
    auto t = sendJob(uint16_t(d.uiNetPort), ripBytes(h), 1 << 20, 0);
    EXPECT_EQ(d.PRNInitData(), -1);
    t.join();
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_NE(texts()[0].find("Network job is refused: 3 bytes per line cannot hold 1000 dots"), std::string::npos)
        << texts()[0];
    EXPECT_FALSE(d.netFile.IsOpen());
}

TEST_F(RipNetTest, SenderThatStopsInTheHeaderIsRefused) {
    std::vector<uint8_t> part(30, 7);
    auto t = sendJob(uint16_t(d.uiNetPort), part, 30, 0);
    EXPECT_EQ(d.PRNInitData(), -1);
    t.join();
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_NE(texts()[0].find("after 30 bytes"), std::string::npos) << texts()[0];
}

TEST_F(RipNetTest, SenderThatFallsSilentEndsTheReadsAfterTheTimeOut) {
    RipHead h = ripHead(800, 100, 4); // 40 kB of raster; only half comes
    auto bytes = ripBytes(h);
    std::vector<uint8_t> half(bytes.begin(), bytes.begin() + 48 + 20000);
    std::atomic<bool> release{false};
    auto t = sendJob(uint16_t(d.uiNetPort), half, 5000, 0, &release);
    ASSERT_EQ(d.PRNInitData(), 0);
    uint32_t t0 = platform::tickMs();
    auto raster = readRaster(4000);
    EXPECT_EQ(raster.size(), 20000u);
    EXPECT_LT(platform::tickMs() - t0, 3000u);
    EXPECT_TRUE(d.netFile.TimedOut());
    uint8_t b[100];
    EXPECT_EQ(d.PRNReadRaster(b, 100), 0u); // later bands come back empty at once
    release = true;
    t.join();
    d.PRNReadClose();
}

TEST_F(RipNetTest, NoSenderIsAnOpenFailure) {
    d.netFile.SetStreamTimeouts(300, 50);
    EXPECT_EQ(d.PRNInitData(), -1);
    EXPECT_EQ(texts().at(0), "Initialize Read Data Error, Printing will be canceled.");
}

TEST(RipNet, TcpWindowComesFromTheRegistryFile) {
    ScratchDir dir;
    CDrvPrint d;
    d.csBaseDir = dir.path();
    EXPECT_EQ(d.PRNNetTcpWindow(), 255552u);
    std::ofstream(dir.file("registry.ini")) << "[SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\n"
                                            << "TcpWindowSize=300000\n";
    EXPECT_EQ(d.PRNNetTcpWindow(), 300000u);
    std::ofstream(dir.file("registry.ini")) << "[SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\n"
                                            << "TcpWindowSize=9000000\n";
    EXPECT_EQ(d.PRNNetTcpWindow(), 255552u);
}

TEST(RipNet, PortInUseIsReported) {
    CDrvPrint a, b;
    a.uiNetPort = 0;
    ASSERT_EQ(a.PRNNetStart(), 0);
    b.uiNetPort = a.uiNetPort;
    EXPECT_EQ(b.PRNNetStart(), -1);
    a.PRNNetStop();
    EXPECT_FALSE(a.netFile.ReceiverRunning());
}

} // namespace
