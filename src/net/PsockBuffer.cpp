#include "net/PsockBuffer.h"

TReceiveBuffer::TReceiveBuffer() {
    data_.reserve(2 * 16384);
    spare_.reserve(2 * 16384);
}

std::string TReceiveBuffer::TakeLine() { return Take(static_cast<long long>(LineLength())); }

size_t TReceiveBuffer::LineLength() const {
    size_t lf = data_.find('\n');
    return lf == std::string::npos ? data_.size() : lf + 1;
}

void TReceiveBuffer::TakeInto(std::string& out, long long n) {
    if (n < 0 || static_cast<size_t>(n) >= data_.size()) {
        out.append(data_);
        data_.clear();
        return;
    }
    out.append(data_, 0, static_cast<size_t>(n));
    spare_.assign(data_, static_cast<size_t>(n), std::string::npos);
    data_.swap(spare_);
    spare_.clear();
}

std::string TReceiveBuffer::Take(long long n) {
    if (n < 0 || static_cast<size_t>(n) >= data_.size()) {
        std::string all = data_;
        data_.clear();
        return all;
    }
    std::string head = data_.substr(0, static_cast<size_t>(n));
    spare_.assign(data_, static_cast<size_t>(n), std::string::npos);
    data_.swap(spare_);
    spare_.clear();
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
