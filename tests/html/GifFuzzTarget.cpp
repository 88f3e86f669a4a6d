// Fuzz target: any bytes through the GIF decoder, then every frame composed twice over (so each
// disposal runs, and the wrap back to the first frame), the bitmap and mask, and the animation.
// Built for libFuzzer with QV_FUZZ; replayed over the saved corpus in every normal test run.
#include <cstddef>
#include <cstdint>

#include "html/HTMLGif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TGIFImage g = TGIFImage::FromBytes(data, size);
        // Composing costs the screen's size per frame: large screens are decoded but not composed,
        // so the fuzzer spends its time on the parser (composition does not depend on the size).
        if (int64_t(g.Width()) * g.Height() > (1 << 18)) return 0;
        g.Rewind();
        for (int i = 0; i < 2 * g.FrameCount() && i < 64; ++i) g.NextFrame();
        (void)g.Bitmap();
        (void)g.HasMask();
        g.Rewind();
        g.Speed = 1 + static_cast<int>(size % 300);
        g.StartAnimation(0);
        for (uint32_t t = 0; t < 2000; t += 50) g.Step(t);
    } catch (const EInvalidGraphic&) {
        // rejected data: the viewer shows its error picture
    }
    return 0;
}
