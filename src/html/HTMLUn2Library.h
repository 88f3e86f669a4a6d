// The viewer's decoders of BMP, JPEG and PNG: the image library ILDA32T.DLL, loaded on first use.
// When it cannot be loaded, a message says so once, JPEG and PNG pictures fail, and BMP still
// loads through the toolkit's own bitmap reader. Win32 only; runs on the host's thread (the
// library's progress callback pumps the thread's messages).
#pragma once

#include <functional>
#include <string>

#include "html/HTMLUn2Images.h"
#include "imagelib/Ilda32t.h"

class TLibraryImageCodecs final : public TImageCodecs {
public:
    // `libraryPath`: the file loaded; a bare name is looked for beside the module holding this
    // code (the plug-in's folder) first, then where the platform looks.
    explicit TLibraryImageCodecs(std::string libraryPath = ilda::LibraryName);
    ~TLibraryImageCodecs() override;
    TLibraryImageCodecs(const TLibraryImageCodecs&) = delete;
    TLibraryImageCodecs& operator=(const TLibraryImageCodecs&) = delete;

    TBitmap Decode(TImageFormat format, const uint8_t* data, size_t size) override;

    // Loads the library on the first call; false when it cannot be loaded (the message has then
    // been shown, once).
    bool Available();
    // Shows the missing-library message; by default a message box of the application.
    std::function<void(const std::string& text)> OnMissing;
    // The shared palette handed to the library on displays of 8 bits or fewer.
    HPALETTE SharedPalette = nullptr;

    // The program's one set (the viewer's).
    static TLibraryImageCodecs& Shared();

private:
    std::string path_;
    HMODULE module_ = nullptr;
    bool tried_ = false;
    TIldaStreamEntry bmp_ = nullptr, jpg_ = nullptr, png_ = nullptr;
};

// The message shown once when the library cannot be loaded.
constexpr const char* ImageLibraryMissingText = "Image Library, ILDA32T.DLL, not found";

// A bitmap handle's pixels as a TBitmap (through a 32-bit device-independent copy).
TBitmap BitmapFromHandle(HBITMAP bitmap);
