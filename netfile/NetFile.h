#pragma once
// The file object the engine reads RIP data through: an ordinary local file, or the "##*NET"
// stream a RIP sends over TCP. Semantics of a framework file: Read returns the bytes delivered,
// Seek takes a 64-bit offset from the start. Nothing here throws.
//
// The stream: StartReceiver listens for senders; each connection carries one RIP file. Open of
// the exact name "##*NET" takes the waiting connection; Read blocks until the bytes asked for
// have come, the sender closed the connection, the stop check answers true, or the stream broke
// its limits (then it counts as broken and every later Read returns 0 at once). Close ends the
// job and lets the receiver accept the next sender.
//
// The limits count only the time the reader spends waiting for bytes (a paused print does not
// read, and its sender waits on the full socket): over every window of that time the stream must
// bring at least the minimum rate, and all waits of one job together must stay within a total
// derived from the length its header promises.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "NetReceiver.h"

class CNetFile {
public:
    enum OpenFlags : unsigned { modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002 };
    static constexpr const char* kStreamName = "##*NET";
    static constexpr uint64_t kUnknownLength = UINT64_MAX;

    CNetFile();
    virtual ~CNetFile();
    CNetFile(const CNetFile&) = delete;
    CNetFile& operator=(const CNetFile&) = delete;

    virtual bool Open(const std::string& name, unsigned flags);
    virtual unsigned Read(void* buffer, unsigned count);
    // Local files: moves to the offset and returns the new position. The stream cannot go back:
    // a forward seek skips bytes, a backward one leaves the position and returns it.
    virtual uint64_t Seek(uint64_t offset);
    virtual void Close();
    bool IsOpen() const { return fd_ >= 0; }

    bool IsStream() const { return stream_; }
    // Size of a local file; kUnknownLength for the stream.
    uint64_t GetLength() const;
    uint64_t GetPosition() const { return pos_; }
    // The stream broke its limits: the sender fell silent, trickled below the minimum rate or
    // ran past its total time (the stream is then broken; Fault() says which).
    bool TimedOut() const { return timedOut_; }
    const std::string& Fault() const { return fault_; }
    // The last stream Read or Open ended because the stop check answered true.
    bool Stopped() const { return stopped_; }
    // The sender closed the connection.
    bool AtEnd() const { return eof_; }

    // ---- the network receiver
    bool StartReceiver(const NetReceiver::Options& options, NetReceiver::JobReady onJobReady,
                       std::string* error = nullptr);
    void StopReceiver();
    bool ReceiverRunning() const { return receiver_.Running(); }
    uint16_t ReceiverPort() const { return receiver_.Port(); }
    NetReceiver& Receiver() { return receiver_; }
    // The rate window (a stream that brings nothing in this much waiting time is broken) and how
    // long Open waits for a sender (process clock, ms).
    void SetStreamTimeouts(unsigned idleMs, unsigned openMs) {
        idleTimeoutMs_ = idleMs;
        openTimeoutMs_ = openMs;
    }
    unsigned IdleTimeoutMs() const { return idleTimeoutMs_; }
    unsigned OpenTimeoutMs() const { return openTimeoutMs_; }
    // The least a stream must bring per second of waiting, averaged over the rate window (0: one
    // byte a window).
    void SetMinimumRate(unsigned bytesPerSecond) { minRate_ = bytesPerSecond; }
    unsigned MinimumRate() const { return minRate_; }
    // The length the open stream's header promises: sets its total waiting time, two rate
    // windows plus the length at the minimum rate.
    void SetExpectedLength(uint64_t bytes);
    uint64_t WaitLimitMs() const { return waitLimitMs_; }
    // Asked every few milliseconds while Open or Read waits; true ends the wait (see Stopped()).
    void SetStopCheck(std::function<bool()> check) { stopCheck_ = std::move(check); }
    // The receive buffer the kernel gave the open stream's socket (0 when no stream is open).
    int StreamReceiveBuffer() const;

private:
    unsigned ReadStream(char* p, unsigned count);
    // Adds the waiting time since *last and breaks the stream when it broke a limit.
    bool WithinLimits(uint32_t& last, uint64_t pos);
    bool StopAsked() const { return stopCheck_ && stopCheck_(); }

    int fd_ = -1;
    bool stream_ = false;
    bool eof_ = false;
    bool timedOut_ = false;
    bool stopped_ = false;
    std::string fault_;
    uint64_t pos_ = 0;
    unsigned idleTimeoutMs_ = 60000;
    unsigned openTimeoutMs_ = 5000;
    unsigned minRate_ = 0;
    uint64_t waitLimitMs_ = 0;   // 0: none yet (no length known)
    uint64_t waitedMs_ = 0;      // all waiting of the open stream
    uint64_t windowStartMs_ = 0; // waitedMs_ when the rate window began
    uint64_t windowStartPos_ = 0;
    std::function<bool()> stopCheck_;
    NetReceiver receiver_;
};
