#include "net/PsockBuffer.h"

#include <algorithm>
#include <cstring>

namespace {
// The first allocation: a reply's header and a small page fit without growing.
constexpr size_t kInitialCapacity = 32 * 1024;
} // namespace

void TReceiveBuffer::Append(const char* data, size_t n) {
    if (n == 0) return;
    std::memcpy(Room(n), data, n);
    Commit(n);
}

char* TReceiveBuffer::Room(size_t n) {
    if (capacity_ - end_ >= n) return buf_.get() + end_;
    const size_t held = Size();
    if (held == 0) {
        begin_ = end_ = scanned_ = 0;
    } else if (capacity_ - held >= n && begin_ >= held) {
        // Moving the bytes to the front makes the room, and costs no more than what was
        // consumed before them (so a long exchange moves each byte a bounded number of times).
        std::memmove(buf_.get(), buf_.get() + begin_, held);
        scanned_ -= std::min(scanned_, begin_);
        end_ = held;
        begin_ = 0;
    }
    if (capacity_ - end_ >= n) return buf_.get() + end_;
    const size_t need = held + n;
    size_t grown = std::max({kInitialCapacity, 2 * capacity_, need});
    auto fresh = std::make_unique_for_overwrite<char[]>(grown);
    if (held != 0) std::memcpy(fresh.get(), buf_.get() + begin_, held);
    scanned_ = scanned_ > begin_ ? scanned_ - begin_ : 0;
    buf_ = std::move(fresh);
    capacity_ = grown;
    begin_ = 0;
    end_ = held;
    return buf_.get() + end_;
}

const char* TReceiveBuffer::FindLineFeed() const {
    const size_t from = std::max(scanned_, begin_);
    if (from >= end_) return nullptr;
    const void* lf = std::memchr(buf_.get() + from, '\n', end_ - from);
    if (!lf) scanned_ = end_;
    return static_cast<const char*>(lf);
}

size_t TReceiveBuffer::LineLength() const {
    const char* lf = FindLineFeed();
    return lf ? static_cast<size_t>(lf - (buf_.get() + begin_)) + 1 : Size();
}

void TReceiveBuffer::Consume(size_t n) {
    begin_ += n;
    if (begin_ == end_) begin_ = end_ = scanned_ = 0;
}

std::string TReceiveBuffer::TakeLine() { return Take(static_cast<long long>(LineLength())); }

void TReceiveBuffer::TakeInto(std::string& out, long long n) {
    const size_t k = Count(n);
    if (k == 0) return;
    out.append(buf_.get() + begin_, k);
    Consume(k);
}

std::string TReceiveBuffer::Take(long long n) {
    const size_t k = Count(n);
    if (k == 0) return {};
    std::string head(buf_.get() + begin_, k);
    Consume(k);
    return head;
}

bool ParseReplyCode(const std::string& line, int& code) {
    long long v = 0;
    size_t i = 0;
    while (i < line.size() && i < 10 && line[i] >= '0' && line[i] <= '9') v = v * 10 + (line[i++] - '0');
    if (i == 0 || v > 32767) return false;
    code = static_cast<int>(v);
    return true;
}
