// Byte streams used by the HTTP client: an abstract stream and one kept in memory.
// Portable.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/Classes.h"

class TNetStream : public TObject {
public:
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t pos) = 0;
    // Reads up to count bytes at the position; returns the number read.
    virtual int Read(void* buffer, int count) = 0;
    // Writes count bytes at the position, growing the stream; raises EStreamError on failure.
    virtual void Write(const void* buffer, int count) = 0;
};

class TNetMemoryStream : public TNetStream {
public:
    TNetMemoryStream() = default;
    explicit TNetMemoryStream(std::string data) : data_(std::move(data)) {}

    int64_t Size() const override { return static_cast<int64_t>(data_.size()); }
    int64_t Position() const override { return pos_; }
    void SetPosition(int64_t pos) override { pos_ = pos < 0 ? 0 : pos; }
    int Read(void* buffer, int count) override;
    void Write(const void* buffer, int count) override;

    const std::string& DataString() const { return data_; }
    void Clear() {
        data_.clear();
        pos_ = 0;
    }

private:
    std::string data_;
    int64_t pos_ = 0;
};
