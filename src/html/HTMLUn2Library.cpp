#include "html/HTMLUn2Library.h"

#include "toolkit/Application.h"
#include "toolkit/MessagePump.h"
#include "toolkit/Pictures.h"
#include "toolkit/ScopeExit.h"

namespace {

// The library's progress callback: keeps the windows alive while a picture decodes, and asks it
// to stop when the application is ending.
int __stdcall Progress(int) {
    if (!PumpWaitingMessages()) return 0;
    return Application && Application->Terminated() ? 0 : 1;
}

// The folder of the module holding this code (the plug-in's DLL, or a test program).
std::string OwnFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Progress), &self);
    char buf[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(self, buf, MAX_PATH);
    std::string path(buf, n);
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int DisplayBits() {
    HDC dc = GetDC(nullptr);
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return bits;
}

} // namespace

TLibraryImageCodecs::TLibraryImageCodecs(std::string libraryPath) : path_(std::move(libraryPath)) {}

TLibraryImageCodecs::~TLibraryImageCodecs() {
    if (module_) FreeLibrary(module_);
}

TLibraryImageCodecs& TLibraryImageCodecs::Shared() {
    static TLibraryImageCodecs codecs;
    return codecs;
}

bool TLibraryImageCodecs::Available() {
    if (tried_) return module_ != nullptr;
    tried_ = true;
    const bool bare = path_.find_first_of("\\/:") == std::string::npos;
    if (bare) module_ = LoadLibraryA((OwnFolder() + path_).c_str());
    if (!module_) module_ = LoadLibraryA(path_.c_str());
    if (module_) {
        bmp_ = reinterpret_cast<TIldaStreamEntry>(reinterpret_cast<void*>(GetProcAddress(module_, ilda::BmpStream)));
        jpg_ = reinterpret_cast<TIldaStreamEntry>(reinterpret_cast<void*>(GetProcAddress(module_, ilda::JpgStream)));
        png_ = reinterpret_cast<TIldaStreamEntry>(reinterpret_cast<void*>(GetProcAddress(module_, ilda::PngStream)));
        if (!bmp_ || !jpg_ || !png_) {
            // A file of that name that is not the library is as good as none.
            FreeLibrary(module_);
            module_ = nullptr;
        }
    }
    if (!module_) {
        if (OnMissing)
            OnMissing(ImageLibraryMissingText);
        else if (Application)
            Application->MessageBox(ImageLibraryMissingText, nullptr, MB_OK | MB_ICONWARNING);
    }
    return module_ != nullptr;
}

TBitmap TLibraryImageCodecs::Decode(TImageFormat format, const uint8_t* data, size_t size) {
    if (format != TImageFormat::Bmp && format != TImageFormat::Png && format != TImageFormat::Jpeg)
        throw EInvalidGraphic("Unknown image format");
    if (!data || size > MaxImageDataBytes) throw EInvalidGraphic("Image data is too large");
    if (!Available()) {
        if (format == TImageFormat::Bmp) return DecodeBmp(data, size);
        throw EInvalidGraphic("Image Library is not loaded");
    }
    const TIldaStreamEntry entry = format == TImageFormat::Bmp ? bmp_ : format == TImageFormat::Png ? png_ : jpg_;
    HBITMAP bmp = nullptr;
    HPALETTE pal = nullptr;
    int result = IldaFailed;
    try {
        result = entry(data, static_cast<int>(size), DisplayBits(), 1, SharedPalette, Progress, &bmp, &pal);
    } catch (...) { result = IldaFailed; }
    auto freeHandles = ScopeExit([&] {
        if (bmp) DeleteObject(bmp);
        if (pal) DeleteObject(pal);
    });
    if (result > 0 && bmp) return BitmapFromHandle(bmp);
    // A bitmap the library could not read goes to the toolkit's own reader.
    if (format == TImageFormat::Bmp) return DecodeBmp(data, size);
    throw EInvalidGraphic("Image Library could not decode the picture");
}

TBitmap BitmapFromHandle(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || !PictureSizeAllowed(info.bmWidth, info.bmHeight))
        throw EInvalidGraphic("Bitmap handle is not usable");
    TBitmap out(info.bmWidth, info.bmHeight);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), out.Data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != info.bmHeight) throw EInvalidGraphic("Bitmap handle is not usable");
    for (int i = 0, n = info.bmWidth * info.bmHeight; i < n; ++i) out.Data()[i] &= 0xFFFFFFu;
    return out;
}
