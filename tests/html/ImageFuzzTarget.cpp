// Fuzz target: any bytes through the path from image data to a picture: sniffing, the GIF
// decoder, BMP, PNG (with its tRNS rule) and JPEG. The first byte picks how the data arrives (a
// stream, a file named .gif, a file named .png); the rest is the data. Built for libFuzzer with
// QV_FUZZ; replayed over the saved corpus in every normal test run.
#include <cstddef>
#include <cstdint>

#include "html/HTMLUn2Images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::pair<TImageOrigin, const char*> ways[3] = {
        {TImageOrigin::Stream, "s"}, {TImageOrigin::File, "f.gif"}, {TImageOrigin::File, "f.png"}};
    const auto& [origin, name] = ways[data[0] % 3];
    try {
        TPicture p = DecodeImageData(data + 1, size - 1, origin, name, BuiltInImageCodecs());
        if (p.Bitmap && !p.Mask && !p.Bitmap->Empty()) (void)MakeMask(*p.Bitmap, LowerLeftColor(*p.Bitmap));
    } catch (const EInvalidGraphic&) {
        // rejected data: the viewer shows its error picture
    }
    return 0;
}
