// JPEG decoding into a TBitmap (libjpeg). Portable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"

// Decodes a baseline or progressive JPEG (greyscale or colour). Raises EInvalidGraphic on data
// libjpeg rejects; the message is libjpeg's own.
TBitmap DecodeJpeg(const uint8_t* data, size_t size);

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
