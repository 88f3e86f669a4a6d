#include "toolkit/Jpeg.h"

#include "toolkit/Pictures.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors through error_exit, which must not return; we leave through
// longjmp back into Decode, which holds no objects with destructors across the jump.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {} // warnings are not shown

// Returns false and fills `message` on failure; never throws (no unwinding across libjpeg frames).
bool Decode(const uint8_t* data, size_t size, TBitmap& out, char* message) {
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.output_message = OnMessage;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!PictureSizeAllowed(info.image_width, info.image_height)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "image size %ux%u out of range", info.image_width, info.image_height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.SetSize(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE, info.output_width * 3, 1);
    while (info.output_scanline < info.output_height) {
        int y = static_cast<int>(info.output_scanline);
        jpeg_read_scanlines(&info, row, 1);
        const unsigned char* p = row[0];
        for (int x = 0; x < out.Width(); ++x, p += 3)
            out.SetPixel(x, y, static_cast<uint32_t>(p[2] | (p[1] << 8) | (p[0] << 16)));
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

TBitmap DecodeJpeg(const uint8_t* data, size_t size) {
    if (!data || size == 0) throw EInvalidGraphic("JPEG image is empty");
    TBitmap bmp;
    char message[JMSG_LENGTH_MAX];
    if (!Decode(data, size, bmp, message)) throw EInvalidGraphic(std::string("JPEG error: ") + message);
    return bmp;
}
