#include "core/RipWriter.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "core/RipFormat.h"
#include "core/RipValidate.h"

RipWriter::~RipWriter() { Abort(); }

bool RipWriter::fail(std::string why) {
    error_ = std::move(why);
    Abort();
    return false;
}

bool RipWriter::Open(const std::string& path, const RipHead& head) {
    Abort();
    error_.clear();
    lines_ = 0;
    std::string why = ValidateRipHead(head, kRipSizeUnknown);
    if (!why.empty()) return fail("header refused: " + why);
    head_ = head;
    path_ = path;
    temp_ = path + ".part";
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) return fail("cannot create " + temp_ + ": " + std::strerror(errno));
    std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    uint8_t bytes[kRipHeadSize];
    EncodeRipHead(head, bytes);
    if (std::fwrite(bytes, 1, kRipHeadSize, file_) != kRipHeadSize) return fail("cannot write " + temp_);
    return true;
}

bool RipWriter::WriteLine(const uint8_t* planes) {
    if (!file_) return false;
    if (lines_ >= head_.uiHeight) return fail("more lines than the header's height");
    const size_t n = size_t(head_.uiColors) * head_.uiBytesPerLine;
    if (std::fwrite(planes, 1, n, file_) != n) return fail("cannot write " + temp_ + ": " + std::strerror(errno));
    ++lines_;
    return true;
}

bool RipWriter::Finish() {
    if (!file_) return false;
    if (lines_ != head_.uiHeight)
        return fail("only " + std::to_string(lines_) + " of " + std::to_string(head_.uiHeight) + " lines written");
    bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok || std::rename(temp_.c_str(), path_.c_str()) != 0) {
        std::string why = "cannot complete " + path_ + ": " + std::strerror(errno);
        ::unlink(temp_.c_str());
        error_ = why;
        return false;
    }
    return true;
}

void RipWriter::Abort() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        ::unlink(temp_.c_str());
    }
}
