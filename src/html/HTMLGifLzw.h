// The LZW code reader of GIF image data (GIF89a, appendix F): variable-length codes of the
// minimum code size + 1 up to 12 bits, packed least significant bit first, with a clear code
// and an end-of-information code. The block parser (HTMLGif.cpp) joins the data sub-blocks and
// hands them here as one run of bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gif {

// Codes never exceed 12 bits, so the string table holds at most 4096 entries.
constexpr int MaxLzwCodeBits = 12;
constexpr int MaxLzwCodes = 1 << MaxLzwCodeBits;
// The minimum code size a frame may state. The standard asks for 2 to 8; 1 is accepted because
// some encoders write it for two-colour images, and it decodes by the same rules.
constexpr int MinLzwCodeSize = 1;
constexpr int MaxLzwCodeSize = 8;

enum class TLzwStatus {
    Complete,    // every output byte was written (anything after is ignored)
    EndTooSoon,  // the end code came before the output was full
    Truncated,   // the data ran out before the output was full
    BadCode,     // a code that names no table entry yet
    BadCodeSize, // a minimum code size outside MinLzwCodeSize..MaxLzwCodeSize
};

struct TLzwResult {
    TLzwStatus Status;
    size_t Written; // output bytes written
};

// Decodes `data` into `out[0 .. outSize)`. No recursion and no stack along the prefix chain: each
// table entry knows its string's length, so a string is written back to front straight into the
// output. A string that would run past the end of the output is cut at the end.
class TLzwDecoder {
public:
    TLzwResult Decode(int minCodeSize, const uint8_t* data, size_t size, uint8_t* out, size_t outSize);

private:
    uint16_t prefix_[MaxLzwCodes];
    uint16_t length_[MaxLzwCodes];
    uint8_t suffix_[MaxLzwCodes];
    uint8_t first_[MaxLzwCodes];
};

} // namespace gif
