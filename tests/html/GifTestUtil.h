// GIF files for tests and the benchmark, written by giflib, and giflib's own reading of a file
// composed frame by frame: the reference the program's decoder is checked against.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace giftest {

struct TSpecFrame {
    int Left = 0, Top = 0, Width = 1, Height = 1;
    bool Interlace = false;
    int Disposal = 0, DelayCs = 0, Transparent = -1; // -1: no transparent index
    bool Control = false;                            // write a graphic control extension
    std::vector<uint8_t> LocalColors;                // RGB triples; empty: none
    std::vector<uint8_t> Pixels;                     // Width x Height indices, rows top to bottom
};

struct TGifRecipe {
    int ScreenWidth = 1, ScreenHeight = 1;
    bool Gif89 = true;
    std::vector<uint8_t> GlobalColors; // RGB triples (a power of two of them); empty: none
    int Loop = -1;                     // NETSCAPE2.0 loop count; -1: none
    std::vector<TSpecFrame> Frames;
};

inline int Write(GifFileType* gif, const GifByteType* data, int len) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + len);
    return len;
}

inline ColorMapObject* MakeMap(const std::vector<uint8_t>& rgb) {
    if (rgb.empty()) return nullptr;
    std::vector<GifColorType> colors(rgb.size() / 3);
    for (size_t i = 0; i < colors.size(); ++i) colors[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
    return GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
}

// Colour tables of 2^bits entries with distinct, reproducible colours.
inline std::vector<uint8_t> Palette(int bits, unsigned seed = 1) {
    std::vector<uint8_t> rgb;
    std::mt19937 rng(seed);
    for (int i = 0; i < (1 << bits); ++i)
        for (int k = 0; k < 3; ++k) rgb.push_back(static_cast<uint8_t>(rng()));
    return rgb;
}

inline std::vector<uint8_t> WriteGif(const TGifRecipe& recipe) {
    std::vector<uint8_t> out;
    int err = 0;
    GifFileType* gif = EGifOpen(&out, Write, &err);
    if (!gif) throw std::runtime_error("EGifOpen failed");
    EGifSetGifVersion(gif, recipe.Gif89);
    ColorMapObject* global = MakeMap(recipe.GlobalColors);
    bool ok = EGifPutScreenDesc(gif, recipe.ScreenWidth, recipe.ScreenHeight, 8, 0, global) == GIF_OK;
    GifFreeMapObject(global);
    if (ok && recipe.Loop >= 0) {
        const GifByteType app[] = "NETSCAPE2.0";
        const GifByteType loop[3] = {1, static_cast<GifByteType>(recipe.Loop & 255), static_cast<GifByteType>(recipe.Loop >> 8)};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK && EGifPutExtensionBlock(gif, 11, app) == GIF_OK &&
             EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
    }
    for (const TSpecFrame& f : recipe.Frames) {
        if (!ok) break;
        if (f.Control || f.Transparent >= 0 || f.Disposal || f.DelayCs) {
            GraphicsControlBlock gcb{f.Disposal, false, f.DelayCs, f.Transparent >= 0 ? f.Transparent : NO_TRANSPARENT_COLOR};
            GifByteType ext[4];
            size_t n = EGifGCBToExtension(&gcb, ext);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext) == GIF_OK;
        }
        ColorMapObject* local = MakeMap(f.LocalColors);
        ok = ok && EGifPutImageDesc(gif, f.Left, f.Top, f.Width, f.Height, f.Interlace, local) == GIF_OK;
        GifFreeMapObject(local);
        std::vector<int> order;
        if (f.Interlace) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = start[p]; y < f.Height; y += step[p]) order.push_back(y);
        } else {
            for (int y = 0; y < f.Height; ++y) order.push_back(y);
        }
        for (int y : order) {
            if (!ok) break;
            auto* row = const_cast<GifPixelType*>(f.Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(f.Width));
            ok = EGifPutLine(gif, row, f.Width) == GIF_OK;
        }
    }
    if (EGifCloseFile(gif, &err) != GIF_OK || !ok) throw std::runtime_error("giflib could not write the test GIF");
    return out;
}

struct TMemoryIn {
    const uint8_t* data;
    size_t size, pos;
};

inline int Read(GifFileType* gif, GifByteType* buf, int len) {
    auto* in = static_cast<TMemoryIn*>(gif->UserData);
    size_t n = std::min(static_cast<size_t>(len), in->size - in->pos);
    std::memcpy(buf, in->data + in->pos, n);
    in->pos += n;
    return static_cast<int>(n);
}

// giflib's record-level reading of a file, composed on a screen grown to cover every frame:
// each frame's non-transparent pixels drawn over the screen (colour indices past the table are
// black), disposal 2 (and the reserved 4..7) clearing the frame's area to nothing, disposal 3
// restoring what lay beneath. Screens are 0xAARRGGBB with alpha 0 where nothing was drawn.
struct TReference {
    int Width = 0, Height = 0;
    std::vector<std::vector<uint32_t>> Screens; // after each frame is drawn
    std::vector<int> DelaysCs;
    bool SlurpOk = false;
};

inline TReference ReadWithGiflib(const std::vector<uint8_t>& bytes) {
    TReference ref;
    TMemoryIn in{bytes.data(), bytes.size(), 0};
    int err = 0;
    GifFileType* gif = DGifOpen(&in, Read, &err);
    if (!gif) return ref;
    ref.SlurpOk = DGifSlurp(gif) == GIF_OK;
    int count = gif->ImageCount;
    if (!ref.SlurpOk && count > 0) --count; // the frame being read when it failed is incomplete
    int w = gif->SWidth, h = gif->SHeight;
    for (int i = 0; i < count; ++i) {
        const GifImageDesc& d = gif->SavedImages[i].ImageDesc;
        w = std::max(w, d.Left + d.Width);
        h = std::max(h, d.Top + d.Height);
    }
    ref.Width = w, ref.Height = h;
    std::vector<uint32_t> screen(static_cast<size_t>(w) * static_cast<size_t>(h), 0), saved;
    for (int i = 0; i < count; ++i) {
        const SavedImage& si = gif->SavedImages[i];
        const GifImageDesc& d = si.ImageDesc;
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
        DGifSavedExtensionToGCB(gif, i, &gcb);
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        auto at = [&](int x, int y) -> uint32_t& {
            return screen[static_cast<size_t>(d.Top + y) * static_cast<size_t>(w) + static_cast<size_t>(d.Left + x)];
        };
        if (gcb.DisposalMode == 3) {
            saved.clear();
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x) saved.push_back(at(x, y));
        }
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int c = si.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(d.Width) + static_cast<size_t>(x)];
                if (c == gcb.TransparentColor) continue;
                uint32_t rgb = 0;
                if (map && c < map->ColorCount)
                    rgb = (uint32_t(map->Colors[c].Red) << 16) | (uint32_t(map->Colors[c].Green) << 8) | map->Colors[c].Blue;
                at(x, y) = 0xFF000000u | rgb;
            }
        ref.Screens.push_back(screen);
        ref.DelaysCs.push_back(gcb.DelayTime);
        if (gcb.DisposalMode == 3) {
            size_t k = 0;
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x) at(x, y) = saved[k++];
        } else if (gcb.DisposalMode == 2 || gcb.DisposalMode >= 4) {
            for (int y = 0; y < d.Height; ++y)
                for (int x = 0; x < d.Width; ++x) at(x, y) = 0;
        }
    }
    DGifCloseFile(gif, &err);
    return ref;
}

} // namespace giftest
