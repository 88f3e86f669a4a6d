#include "net/NetStream.h"

#include <algorithm>
#include <cstring>

#include "toolkit/Exception.h"

int TNetMemoryStream::Read(void* buffer, int count) {
    if (count <= 0 || pos_ >= Size()) return 0;
    int64_t n = std::min<int64_t>(count, Size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return static_cast<int>(n);
}

void TNetMemoryStream::Write(const void* buffer, int count) {
    if (count < 0) throw EStreamError("Stream write error");
    if (count == 0) return;
    auto end = static_cast<size_t>(pos_) + static_cast<size_t>(count);
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ = static_cast<int64_t>(end);
}
