#pragma once
// The file object the engine reads RIP data through: an ordinary local file, or the "##*NET"
// stream a RIP sends over TCP. Semantics of a framework file: Read returns the bytes delivered,
// Seek takes a 64-bit offset from the start. Nothing here throws.
//
// The stream: StartReceiver listens for senders; each connection carries one RIP file. Open of
// the exact name "##*NET" takes the waiting connection; Read blocks until the bytes asked for
// have come, the sender closed the connection, or no byte came for the idle time-out (then the
// stream counts as broken and every later Read returns 0 at once). Close ends the job and lets
// the receiver accept the next sender.
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
    // The last stream Read ended because the sender fell silent (the stream is then broken).
    bool TimedOut() const { return timedOut_; }
    // The sender closed the connection.
    bool AtEnd() const { return eof_; }

    // ---- the network receiver
    bool StartReceiver(const NetReceiver::Options& options, NetReceiver::JobReady onJobReady,
                       std::string* error = nullptr);
    void StopReceiver();
    bool ReceiverRunning() const { return receiver_.Running(); }
    uint16_t ReceiverPort() const { return receiver_.Port(); }
    NetReceiver& Receiver() { return receiver_; }
    // How long a stream Read waits for the next byte, and Open for a sender (process clock, ms).
    void SetStreamTimeouts(unsigned idleMs, unsigned openMs) {
        idleTimeoutMs_ = idleMs;
        openTimeoutMs_ = openMs;
    }
    unsigned IdleTimeoutMs() const { return idleTimeoutMs_; }
    // The receive buffer the kernel gave the open stream's socket (0 when no stream is open).
    int StreamReceiveBuffer() const;

private:
    unsigned ReadStream(char* p, unsigned count);

    int fd_ = -1;
    bool stream_ = false;
    bool eof_ = false;
    bool timedOut_ = false;
    uint64_t pos_ = 0;
    unsigned idleTimeoutMs_ = 60000;
    unsigned openTimeoutMs_ = 5000;
    NetReceiver receiver_;
};
