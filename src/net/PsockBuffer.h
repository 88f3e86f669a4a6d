// The receive buffer of the socket layer: bytes are appended at the end as they arrive and
// consumed from the front by whole lines or all at once. Portable.
#pragma once

#include <cstddef>
#include <string>

class TReceiveBuffer {
public:
    TReceiveBuffer();
    void Append(const char* data, size_t n) { data_.append(data, n); }
    size_t Size() const { return data_.size(); }
    bool Empty() const { return data_.empty(); }
    bool HasLine() const { return data_.find('\n') != std::string::npos; }
    // The bytes up to and including the first line feed (all bytes when there is none); the
    // rest moves to the front by copying it into the spare buffer and exchanging the two, so
    // neither buffer is reallocated once it has grown.
    std::string TakeLine();
    // The length of the first line with its line feed, or of all bytes when there is none.
    size_t LineLength() const;
    // Removes and returns up to n bytes from the front (all when n is negative).
    std::string Take(long long n = -1);
    // Removes up to n bytes from the front (all when n is negative) and appends them to out.
    void TakeInto(std::string& out, long long n = -1);
    void Clear() { data_.clear(); }
    const std::string& Data() const { return data_; }

private:
    std::string data_, spare_;
};

// The leading decimal digits of a reply line (at most 10): false when there are none or the
// value does not fit a 16-bit signed number.
bool ParseReplyCode(const std::string& line, int& code);
