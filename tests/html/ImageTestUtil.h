// Picture fixtures for the decoder tests, native and under Wine: the bytes of a file in the
// image test data, and a decoded bitmap's pixels in the same RGB form as the reference files.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/Graphics.h"

namespace qv_test {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadImageFixture(const std::string& name) {
    std::ifstream in(std::string(QV_TEST_DATA) + "/images/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + name);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The bitmap's pixels as RGB triples, rows top to bottom.
inline Bytes Rgb(const TBitmap& b) {
    Bytes out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            uint32_t p = b.Pixel(x, y);
            out.insert(out.end(), {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)});
        }
    return out;
}

} // namespace qv_test
