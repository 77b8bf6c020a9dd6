#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <mutex>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "NetFile.h"
#include "platform/Clock.h"
#include "testsupport/ScratchDir.h"

namespace {

std::vector<uint8_t> randomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    return v;
}

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

bool sendAll(int fd, const uint8_t* p, size_t n) {
    while (n) {
        ssize_t w = ::send(fd, p, n, MSG_NOSIGNAL);
        if (w <= 0) return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

// Sends data in pieces of `piece` bytes with a pause between them; closes unless told to hold
// the connection open until `release` is set.
std::thread sender(uint16_t port, std::vector<uint8_t> data, size_t piece = 0, unsigned pauseMs = 0,
                   std::atomic<bool>* release = nullptr) {
    return std::thread([=] {
        int fd = connectTo(port);
        ASSERT_GE(fd, 0);
        size_t step = piece ? piece : data.size();
        for (size_t off = 0; off < data.size(); off += step) {
            if (!sendAll(fd, data.data() + off, std::min(step, data.size() - off))) break;
            if (pauseMs) platform::sleepMs(pauseMs);
        }
        if (release)
            while (!*release) platform::sleepMs(5);
        ::close(fd);
    });
}

struct Receiver {
    CNetFile file;
    std::atomic<int> ready{0};
    std::mutex notesLock;
    std::vector<std::string> notes;
    Receiver(unsigned window = 0, unsigned pendingTimeoutMs = 30000) {
        NetReceiver::Options o;
        o.port = 0; // ephemeral
        o.tcpWindow = window;
        o.pendingTimeoutMs = pendingTimeoutMs;
        o.onDropped = [this](const std::string& why) {
            std::lock_guard g(notesLock);
            notes.push_back(why);
        };
        std::string err;
        EXPECT_TRUE(file.StartReceiver(o, [this] { ++ready; }, &err)) << err;
        file.SetStreamTimeouts(300, 3000);
    }
    uint16_t port() const { return file.ReceiverPort(); }
};

std::vector<uint8_t> readAll(CNetFile& f, unsigned chunk) {
    std::vector<uint8_t> got;
    std::vector<uint8_t> buf(chunk);
    for (;;) {
        unsigned n = f.Read(buf.data(), chunk);
        got.insert(got.end(), buf.begin(), buf.begin() + n);
        if (n < chunk) break;
    }
    return got;
}

TEST(NetFileLocal, ReadSeekAndLength) {
    testsupport::ScratchDir dir("netfile");
    const std::string file = dir.file("data");
    const char* path = file.c_str();
    int fd = ::open(path, O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    auto data = randomBytes(10000, 1);
    ASSERT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
    ::close(fd);

    CNetFile f;
    ASSERT_TRUE(f.Open(path, CNetFile::modeRead));
    EXPECT_FALSE(f.IsStream());
    EXPECT_EQ(f.GetLength(), 10000u);
    uint8_t buf[100];
    EXPECT_EQ(f.Read(buf, 100), 100u);
    EXPECT_EQ(0, memcmp(buf, data.data(), 100));
    EXPECT_EQ(f.Seek(9950), 9950u);
    EXPECT_EQ(f.Read(buf, 100), 50u); // only what is there
    EXPECT_EQ(0, memcmp(buf, data.data() + 9950, 50));
    EXPECT_EQ(f.Read(buf, 100), 0u); // at the end
    EXPECT_EQ(f.Read(buf, 0), 0u);
    f.Close();
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.Read(buf, 10), 0u);
}

TEST(NetFileLocal, MissingFileAndDirectoryFail) {
    CNetFile f;
    EXPECT_FALSE(f.Open("/nonexistent/x.prn", CNetFile::modeRead));
    EXPECT_FALSE(f.Open("/tmp", CNetFile::modeRead));
    // Only the exact name is the stream; anything longer is an ordinary (here missing) file.
    Receiver r;
    auto t = sender(r.port(), {1, 2, 3});
    EXPECT_FALSE(r.file.Open("##*NET2", CNetFile::modeRead));
    EXPECT_FALSE(r.file.IsStream());
    t.join();
}

TEST(NetFileStream, OpenWithoutReceiverOrSenderFails) {
    CNetFile f;
    EXPECT_FALSE(f.Open(CNetFile::kStreamName, CNetFile::modeRead));
    Receiver r;
    r.file.SetStreamTimeouts(300, 100);
    uint32_t t0 = platform::tickMs();
    EXPECT_FALSE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_GE(platform::tickMs() - t0, 100u);
    EXPECT_LT(platform::tickMs() - t0, 2000u);
}

TEST(NetFileStream, JobStreamedThroughLoopbackArrivesByteForByte) {
    Receiver r;
    auto data = randomBytes(3 * 1024 * 1024 + 17, 2);
    auto t = sender(r.port(), data);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_TRUE(r.file.IsStream());
    EXPECT_EQ(r.file.GetLength(), CNetFile::kUnknownLength);
    auto got = readAll(r.file, 48 * 1000 + 3);
    t.join();
    EXPECT_EQ(got.size(), data.size());
    EXPECT_TRUE(got == data);
    EXPECT_TRUE(r.file.AtEnd());
    EXPECT_FALSE(r.file.TimedOut());
    EXPECT_EQ(r.file.GetPosition(), data.size());
    uint8_t b;
    EXPECT_EQ(r.file.Read(&b, 1), 0u); // end of stream stays the end
    EXPECT_EQ(r.ready.load(), 1);
    r.file.Close();
}

TEST(NetFileStream, SlowSenderIsWaitedFor) {
    Receiver r;
    auto data = randomBytes(20000, 3);
    auto t = sender(r.port(), data, 1000, 20); // 20 pieces, 20 ms apart: each gap well under the idle time-out
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    std::vector<uint8_t> got(data.size());
    EXPECT_EQ(r.file.Read(got.data(), unsigned(got.size())), data.size());
    EXPECT_TRUE(got == data);
    t.join();
}

TEST(NetFileStream, SenderThatFallsSilentDoesNotHangTheReader) {
    Receiver r;
    auto data = randomBytes(5000, 4);
    std::atomic<bool> release{false};
    auto t = sender(r.port(), data, 0, 0, &release);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    std::vector<uint8_t> got(10000);
    uint32_t t0 = platform::tickMs();
    EXPECT_EQ(r.file.Read(got.data(), 10000), 5000u);
    EXPECT_GE(platform::tickMs() - t0, 300u);
    EXPECT_TRUE(r.file.TimedOut());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), got.begin()));
    // Broken from now on: no second wait.
    t0 = platform::tickMs();
    EXPECT_EQ(r.file.Read(got.data(), 10), 0u);
    EXPECT_LT(platform::tickMs() - t0, 100u);
    release = true;
    t.join();
    r.file.Close();
}

// Senders that keep a stream alive without feeding it: each breaks the stream by the limit named.
struct LimitCase {
    const char* name;
    size_t piece;        // bytes a send
    unsigned pauseMs;    // between sends
    unsigned minRate;    // bytes a second the reader asks for
    uint64_t promised;   // the length the header promised (0: none)
    const char* fault;   // what the stream says broke
};

class NetFileLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(NetFileLimits, AStreamBelowItsLimitsBreaksAndSaysWhy) {
    const LimitCase& c = GetParam();
    Receiver r; // a rate window of 300 ms
    r.file.SetMinimumRate(c.minRate);
    std::atomic<bool> release{false};
    auto t = sender(r.port(), randomBytes(4000, 8), c.piece, c.pauseMs, &release);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    if (c.promised) r.file.SetExpectedLength(c.promised);
    std::vector<uint8_t> got(4000);
    const unsigned n = r.file.Read(got.data(), 4000);
    EXPECT_LT(n, 4000u);
    EXPECT_TRUE(r.file.TimedOut());
    EXPECT_FALSE(r.file.AtEnd());
    EXPECT_NE(r.file.Fault().find(c.fault), std::string::npos) << r.file.Fault();
    EXPECT_EQ(r.file.GetPosition(), n);
    release = true;
    r.file.Close();
    t.join();
    EXPECT_TRUE(r.file.Fault().empty()); // the next job starts clean
}

INSTANTIATE_TEST_SUITE_P(Senders, NetFileLimits,
                         ::testing::Values(
                             // A byte every 100 ms: never silent for a window, far below 1 kB/s.
                             LimitCase{"Trickle", 1, 100, 1024, 0, "bytes came in"},
                             // 20 bytes every 40 ms (500 B/s) keeps above 100 B/s, but 60 bytes
                             // promised allow 1.2 s of waiting (two windows and 60 bytes at
                             // 100 B/s), not the 8 s the 4000 bytes take.
                             LimitCase{"PastItsTotal", 20, 40, 100, 60, "longer than"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetFileStream, AStopEndsTheWaitsOfOpenAndRead) {
    Receiver r;
    r.file.SetStreamTimeouts(600000, 600000); // neither limit would end these waits
    std::atomic<bool> stop{false};
    r.file.SetStopCheck([&] { return stop.load(); });
    auto stopSoon = [&] {
        return std::thread([&] {
            platform::sleepMs(100);
            stop = true;
        });
    };
    // No sender yet: Open waits for one until the stop.
    std::thread s = stopSoon();
    EXPECT_FALSE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_TRUE(r.file.Stopped());
    s.join();
    // A sender that sends a part and holds: the read ends at the stop with what came.
    stop = false;
    std::atomic<bool> release{false};
    auto t = sender(r.port(), randomBytes(30, 9), 0, 0, &release);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_FALSE(r.file.Stopped());
    s = stopSoon();
    std::vector<uint8_t> got(48);
    EXPECT_EQ(r.file.Read(got.data(), 48), 30u);
    EXPECT_TRUE(r.file.Stopped());
    EXPECT_FALSE(r.file.TimedOut());
    s.join();
    release = true;
    r.file.Close();
    t.join();
}

TEST(NetFileStream, SenderThatDisconnectsHalfWayEndsTheStream) {
    Receiver r;
    auto data = randomBytes(7000, 5);
    auto t = sender(r.port(), data);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    std::vector<uint8_t> got(10000);
    EXPECT_EQ(r.file.Read(got.data(), 10000), 7000u);
    EXPECT_TRUE(r.file.AtEnd());
    EXPECT_FALSE(r.file.TimedOut());
    t.join();
}

TEST(NetFileStream, OneJobAtATime) {
    Receiver r;
    auto a = randomBytes(1000, 6), b = randomBytes(1500, 7);
    auto ta = sender(r.port(), a);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    auto tb = sender(r.port(), b); // waits in the backlog while job a is open
    platform::sleepMs(100);
    EXPECT_EQ(r.ready.load(), 1);
    EXPECT_FALSE(r.file.Receiver().JobWaiting());
    EXPECT_TRUE(readAll(r.file, 4096) == a);
    r.file.Close();
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_EQ(r.ready.load(), 2);
    EXPECT_TRUE(readAll(r.file, 4096) == b);
    r.file.Close();
    ta.join();
    tb.join();
    EXPECT_EQ(r.file.Receiver().JobsAccepted(), 2u);
}

// Nobody takes the first connection (the printer is busy, or its sender never sends): it is closed
// after the idle time and the next sender's job is accepted and read whole. A sender that leaves
// without a byte is dropped at once.
TEST(NetFileStream, AnUntakenConnectionNeverHoldsTheReceiver) {
    Receiver r(0, 300);
    const int idle = connectTo(r.port());
    ASSERT_GE(idle, 0);
    for (int i = 0; i < 200 && !r.file.Receiver().JobWaiting(); ++i) platform::sleepMs(5);
    ASSERT_TRUE(r.file.Receiver().JobWaiting());
    const uint32_t t0 = platform::tickMs();
    for (int i = 0; i < 400 && r.file.Receiver().JobWaiting(); ++i) platform::sleepMs(5);
    EXPECT_FALSE(r.file.Receiver().JobWaiting());
    EXPECT_GE(platform::tickMs() - t0, 200u); // not before its time
    EXPECT_EQ(r.file.Receiver().ConnectionsDropped(), 1u);
    char c;
    EXPECT_EQ(::recv(idle, &c, 1, 0), 0) << "the idle sender's connection is closed";
    ::close(idle);

    const int leaves = connectTo(r.port());
    ASSERT_GE(leaves, 0);
    ::close(leaves);
    for (int i = 0; i < 100 && r.file.Receiver().ConnectionsDropped() < 2; ++i) platform::sleepMs(5);
    EXPECT_EQ(r.file.Receiver().ConnectionsDropped(), 2u);

    auto job = randomBytes(3000, 9);
    auto t = sender(r.port(), job);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_TRUE(readAll(r.file, 4096) == job);
    r.file.Close();
    t.join();
    std::lock_guard g(r.notesLock);
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_NE(r.notes[0].find("not taken for a job within 0.3 s"), std::string::npos) << r.notes[0];
    EXPECT_NE(r.notes[1].find("closed its connection without sending a job"), std::string::npos) << r.notes[1];
}

TEST(NetFileStream, TcpWindowSetsTheReceiveBuffer) {
    Receiver r(96 * 1024);
    auto t = sender(r.port(), {9});
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_GE(r.file.StreamReceiveBuffer(), 96 * 1024);
    r.file.Close();
    EXPECT_EQ(r.file.StreamReceiveBuffer(), 0);
    t.join();
}

TEST(NetFileStream, SeekOnlyGoesForward) {
    Receiver r;
    auto data = randomBytes(4000, 8);
    auto t = sender(r.port(), data);
    ASSERT_TRUE(r.file.Open(CNetFile::kStreamName, CNetFile::modeRead));
    EXPECT_EQ(r.file.Seek(1000), 1000u);
    EXPECT_EQ(r.file.Seek(10), 1000u); // cannot go back
    uint8_t b[4];
    ASSERT_EQ(r.file.Read(b, 4), 4u);
    EXPECT_EQ(0, memcmp(b, data.data() + 1000, 4));
    t.join();
}

TEST(NetFileStream, StopWithAJobWaitingAndRestart) {
    Receiver r;
    auto t = sender(r.port(), {1, 2, 3});
    for (int i = 0; i < 200 && !r.file.Receiver().JobWaiting(); ++i) platform::sleepMs(5);
    EXPECT_TRUE(r.file.Receiver().JobWaiting());
    r.file.StopReceiver();
    EXPECT_FALSE(r.file.ReceiverRunning());
    t.join();
    NetReceiver::Options o;
    o.port = 0;
    ASSERT_TRUE(r.file.StartReceiver(o, nullptr));
    EXPECT_NE(r.file.ReceiverPort(), 0);
}

TEST(NetFileStream, BadAddressIsRefused) {
    CNetFile f;
    NetReceiver::Options o;
    o.address = "not-an-address";
    std::string err;
    EXPECT_FALSE(f.StartReceiver(o, nullptr, &err));
    EXPECT_NE(err.find("not-an-address"), std::string::npos);
}

} // namespace
