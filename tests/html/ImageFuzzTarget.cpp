// Fuzz target: any bytes through the path from image data to a picture, as a stream and as files
// under GIF and other names: sniffing, the GIF decoder, BMP, PNG (with its tRNS rule) and JPEG.
// Built for libFuzzer with QV_FUZZ; replayed over the saved corpus in every normal test run.
#include <cstddef>
#include <cstdint>

#include "html/HTMLUn2Images.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (auto [origin, name] : {std::pair<TImageOrigin, const char*>{TImageOrigin::Stream, "s"},
                                {TImageOrigin::File, "f.gif"},
                                {TImageOrigin::File, "f.png"}}) {
        try {
            TPicture p = DecodeImageData(data, size, origin, name, BuiltInImageCodecs());
            if (p.Bitmap && !p.Mask && !p.Bitmap->Empty()) (void)MakeMask(*p.Bitmap, LowerLeftColor(*p.Bitmap));
        } catch (const EInvalidGraphic&) {
            // rejected data: the viewer shows its error picture
        }
    }
    return 0;
}
