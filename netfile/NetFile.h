#pragma once
// The file object the engine reads RIP data through: an ordinary local file, or the "##*NET"
// stream a RIP sends over TCP. Semantics of a framework file: Read returns the bytes delivered,
// Seek takes a 64-bit offset from the start.
#include <cstdint>
#include <string>

class CNetFile {
public:
    enum OpenFlags : unsigned { modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002 };

    CNetFile();
    virtual ~CNetFile();
    CNetFile(const CNetFile&) = delete;
    CNetFile& operator=(const CNetFile&) = delete;

    virtual bool Open(const std::string& name, unsigned flags);
    virtual unsigned Read(void* buffer, unsigned count);
    virtual uint64_t Seek(uint64_t offset);
    virtual void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};
