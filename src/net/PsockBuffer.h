// The receive buffer of the socket layer: bytes are appended at the end as they arrive and
// consumed from the front by whole lines or all at once. Portable.
//
// Consuming only moves a read position; the bytes that remain are moved to the front when room
// is needed at the end, so reading a header line by line costs no copy of the body behind it.
// The socket layer receives straight into the room at the end (Room, then Commit), so the bytes
// are not copied from a separate block either.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class TReceiveBuffer {
public:
    TReceiveBuffer() = default;
    void Append(const char* data, size_t n);
    // At least n bytes of room after the last byte held (the buffer grows or moves its bytes to
    // the front); Commit(k) then makes the first k of them part of the buffer.
    char* Room(size_t n);
    void Commit(size_t n) { end_ += n; }
    size_t Size() const { return end_ - begin_; }
    bool Empty() const { return end_ == begin_; }
    bool HasLine() const { return FindLineFeed() != nullptr; }
    // The bytes up to and including the first line feed (all bytes when there is none).
    std::string TakeLine();
    // The length of the first line with its line feed, or of all bytes when there is none.
    size_t LineLength() const;
    // Removes and returns up to n bytes from the front (all when n is negative).
    std::string Take(long long n = -1);
    // Removes up to n bytes from the front (all when n is negative) and appends them to out.
    void TakeInto(std::string& out, long long n = -1);
    void Clear() { begin_ = end_ = scanned_ = 0; }
    std::string_view Data() const { return {buf_.get() + begin_, Size()}; }

private:
    // The first line feed held, or null. Bytes already searched without finding one are not
    // searched again while a line arrives in pieces (scanned_).
    const char* FindLineFeed() const;
    size_t Count(long long n) const { return n < 0 || static_cast<size_t>(n) > Size() ? Size() : static_cast<size_t>(n); }
    void Consume(size_t n);

    std::unique_ptr<char[]> buf_;
    size_t capacity_ = 0;
    size_t begin_ = 0, end_ = 0; // the bytes held are buf_[begin_, end_)
    mutable size_t scanned_ = 0; // buf_[begin_, scanned_) holds no line feed
};

// The leading decimal digits of a reply line (at most 10): false when there are none or the
// value does not fit a 16-bit signed number.
bool ParseReplyCode(const std::string& line, int& code);
