#include "html/HTMLGifLzw.h"

namespace gif {

TLzwResult TLzwDecoder::Decode(int minCodeSize, const uint8_t* data, size_t size, uint8_t* out, size_t outSize) {
    if (minCodeSize < MinLzwCodeSize || minCodeSize > MaxLzwCodeSize) return {TLzwStatus::BadCodeSize, 0};
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    for (int i = 0; i < clearCode; ++i) {
        prefix_[i] = 0;
        length_[i] = 1;
        suffix_[i] = static_cast<uint8_t>(i);
        first_[i] = static_cast<uint8_t>(i);
    }

    int codeBits = minCodeSize + 1;
    int codeMask = (1 << codeBits) - 1;
    int nextCode = endCode + 1;
    int prev = -1; // no previous code: the next one must be a root

    uint64_t acc = 0; // bit accumulator, least significant bit first
    int bits = 0;
    size_t pos = 0;
    uint8_t* o = out;
    uint8_t* const end = out + outSize;

    while (o < end) {
        if (bits < codeBits) {
            // Refill whole bytes while they fit, so most codes need no byte reads at all.
            while (bits <= 56 && pos < size) {
                acc |= static_cast<uint64_t>(data[pos++]) << bits;
                bits += 8;
            }
            if (bits < codeBits) return {TLzwStatus::Truncated, static_cast<size_t>(o - out)};
        }
        const int code = static_cast<int>(acc & static_cast<uint64_t>(codeMask));
        acc >>= codeBits;
        bits -= codeBits;

        if (code == clearCode) {
            codeBits = minCodeSize + 1;
            codeMask = (1 << codeBits) - 1;
            nextCode = endCode + 1;
            prev = -1;
            continue;
        }
        if (code == endCode) return {TLzwStatus::EndTooSoon, static_cast<size_t>(o - out)};

        if (prev < 0) {
            // After a clear (or at the start) only a root code can follow.
            if (code >= clearCode) return {TLzwStatus::BadCode, static_cast<size_t>(o - out)};
            *o++ = static_cast<uint8_t>(code);
            prev = code;
            continue;
        }

        int emit = code;
        if (code < nextCode) {
            if (nextCode < MaxLzwCodes) {
                prefix_[nextCode] = static_cast<uint16_t>(prev);
                suffix_[nextCode] = first_[code];
                first_[nextCode] = first_[prev];
                length_[nextCode] = static_cast<uint16_t>(length_[prev] + 1);
                ++nextCode;
            }
        } else if (code == nextCode && nextCode < MaxLzwCodes) {
            // The string being defined: the previous string and its own first byte.
            prefix_[nextCode] = static_cast<uint16_t>(prev);
            suffix_[nextCode] = first_[prev];
            first_[nextCode] = first_[prev];
            length_[nextCode] = static_cast<uint16_t>(length_[prev] + 1);
            ++nextCode;
        } else {
            return {TLzwStatus::BadCode, static_cast<size_t>(o - out)};
        }
        // Once the table is full the code width stays at 12 bits and nothing more is added
        // until the next clear code (a "deferred clear").
        if (nextCode > codeMask && codeBits < MaxLzwCodeBits) {
            ++codeBits;
            codeMask = (1 << codeBits) - 1;
        }
        prev = code;

        // Write the string back to front along its prefix chain.
        size_t len = length_[emit];
        const size_t room = static_cast<size_t>(end - o);
        if (len == 1) {
            *o++ = suffix_[emit];
            continue;
        }
        while (len > room) { // the tail falls past the output: drop it
            emit = prefix_[emit];
            --len;
        }
        uint8_t* p = o + len;
        while (p > o) {
            *--p = suffix_[emit];
            emit = prefix_[emit];
        }
        o += len;
    }
    return {TLzwStatus::Complete, outSize};
}

} // namespace gif
