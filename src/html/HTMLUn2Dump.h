// What a picture looks like to the viewer, frame by frame: the logical screen after each frame
// is composed, as 8-bit RGBA, with the facts a person debugging a picture wants (screen size,
// frame count, loop count, delays). Used by the imgdump tool and its tests. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TDumpFrame {
    int DelayCs = 0;            // the frame's delay in hundredths of a second (0 for a still picture)
    std::vector<uint32_t> Rgba; // 0xAARRGGBB, rows top to bottom; (0,0,0,0) where nothing is drawn
};

struct TImageDump {
    int Width = 0, Height = 0;
    int LoopCount = -1; // -1: the picture states none
    std::vector<TDumpFrame> Frames;
    // "screen W H", "frames N", "loop N" or "loop none", then "frame I delay_cs D" per frame,
    // each line ending in '\n'.
    std::string Summary() const;
};

// Decodes a file's bytes as the viewer does: GIF data by the GIF decoder (every frame composed
// in turn), BMP, PNG and JPEG by the built-in decoders, with the picture's mask (a transparent
// tRNS colour, a GIF's transparent pixels) made transparent. `name` is the file's name (its
// extension chooses the decoder as the viewer's file path does). Raises EInvalidGraphic.
TImageDump DumpImage(const uint8_t* data, size_t size, const std::string& name);

// Writes 8-bit RGBA pixels (0xAARRGGBB) as a PNG file. Raises EInOutError when it cannot.
void WritePngRgba(const std::string& fileName, int width, int height, const std::vector<uint32_t>& rgba);
