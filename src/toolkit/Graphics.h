// Colours, drawing tools, bitmaps and the canvas interface every drawing goes through.
// Portable: the GDI canvas (Win32) and the memory canvas (tests) implement TCanvas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

// Names the platform headers take as macros, when they were included first.
#undef DrawText
#undef TextOut
#undef GetRValue
#undef GetGValue
#undef GetBValue

// 32-bit colour, red in the low byte. Negative values name system colours: 0x80000000 + index.
using TColor = int32_t;

constexpr TColor RGBColor(int r, int g, int b) { return static_cast<TColor>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16)); }
constexpr int GetRValue(TColor c) { return c & 255; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 255; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 255; }

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<uint32_t>(index)); }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;
// System colours by their platform index.
constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1), clActiveCaption = SystemColor(2),
                 clWindow = SystemColor(5), clWindowFrame = SystemColor(6), clWindowText = SystemColor(8),
                 clHighlight = SystemColor(13), clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17), clBtnText = SystemColor(18),
                 clBtnHighlight = SystemColor(20), cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22);

// Resolves a system colour to RGB through the installed provider (the platform's GetSysColor
// under Win32; the classic default scheme otherwise). Plain colours come back unchanged, with
// the palette flag bits (0x02000000) cleared.
TColor ColorToRGB(TColor c);
using TSysColorProvider = TColor (*)(int index);
void SetSysColorProvider(TSysColorProvider provider);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr int ScreenPixelsPerInch = 96;

// A font description. Height < 0 is the character height in pixels (what the platform calls the
// em height), Height > 0 the cell height; Size is in points at 96 pixels per inch.
class TFont {
public:
    std::string Name = "MS Sans Serif";
    int Height = -11;
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    int Charset = 1; // the platform's DEFAULT_CHARSET
    TFontPitch Pitch = TFontPitch::fpDefault;

    int Size() const;
    void SetSize(int points);
    bool operator==(const TFont&) const = default;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum class TPenMode { pmCopy, pmNot, pmXor, pmNotXor };
struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
    TPenMode Mode = TPenMode::pmCopy;
    bool operator==(const TPen&) const = default;
};

enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
    bool operator==(const TBrush&) const = default;
};

// A device-independent 32-bit bitmap: pixels 0x00RRGGBB (blue in the low byte, the platform's DIB
// order), rows top to bottom. Transparent drawing leaves out pixels equal to TransparentColor.
class TBitmap : public TObject {
public:
    TBitmap() = default;
    TBitmap(int width, int height, uint32_t fill = 0);
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    void SetSize(int width, int height, uint32_t fill = 0);
    uint32_t Pixel(int x, int y) const {
        return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    }
    void SetPixel(int x, int y, uint32_t p) {
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = p;
    }
    const uint32_t* Data() const { return pixels_.data(); }
    uint32_t* Data() { return pixels_.data(); }

    bool Transparent = false;
    TColor TransparentColor = clNone; // clNone: the bottom-left pixel's colour

    // TColor <-> pixel value.
    static uint32_t ToPixel(TColor rgb) {
        return static_cast<uint32_t>(GetBValue(rgb) | (GetGValue(rgb) << 8) | (GetRValue(rgb) << 16));
    }
    static TColor FromPixel(uint32_t p) {
        return RGBColor(static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255));
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

struct TTextMetric {
    int Height = 0, Ascent = 0, Descent = 0, InternalLeading = 0, ExternalLeading = 0, AveCharWidth = 0, MaxCharWidth = 0;
    int Overhang = 0;
};

// Text layout flags for DrawText; the values are the platform's DT_* values.
namespace dt {
constexpr unsigned Left = 0x0, Center = 0x1, Right = 0x2, VCenter = 0x4, Bottom = 0x8, WordBreak = 0x10, SingleLine = 0x20,
                   ExpandTabs = 0x40, NoClip = 0x100, CalcRect = 0x400, NoPrefix = 0x800;
}

// Frame kinds for DrawFrameControl-style push buttons.
namespace dfc {
constexpr unsigned ButtonPush = 0x10, Inactive = 0x100, Pushed = 0x200, Checked = 0x400, Flat = 0x4000;
}

// The drawing surface. Font, Pen and Brush are the current tools; operations read them when they
// run, so a caller sets a tool and then draws. Coordinates are device pixels.
class TCanvas : public TObject {
public:
    TFont Font;
    TPen Pen;
    TBrush Brush;

    virtual void FillRect(const TRect& r) = 0;  // with Brush, right/bottom excluded
    virtual void FrameRect(const TRect& r) = 0; // one-pixel frame in Brush's colour
    virtual void Rectangle(const TRect& r) = 0; // Pen outline, Brush inside (unless bsClear)
    virtual void Ellipse(const TRect& r) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0; // the end point is not drawn, as on the platform
    virtual void Polyline(const std::vector<TPoint>& points) = 0;
    virtual void Polygon(const std::vector<TPoint>& points) = 0; // Pen outline, Brush inside
    TPoint PenPos() const { return penPos_; }

    // Text at (x, y) = top-left of the character cell; the brush fills the cell first unless bsClear.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // As TextOut, clipped to `clip`; with `opaque` the whole clip rectangle is filled first.
    virtual void TextRect(const TRect& clip, int x, int y, const std::string& text, bool opaque = false) = 0;
    virtual TSize TextExtent(const std::string& text) = 0;
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    virtual TTextMetric TextMetrics() = 0;
    // Formats text into r with dt:: flags; returns the text's height. With dt::CalcRect nothing is
    // drawn and r's right and bottom are set to the text's extent.
    virtual int DrawText(const std::string& text, TRect& r, unsigned flags) = 0;

    virtual void StretchDraw(const TRect& dest, const TBitmap& bitmap) = 0;
    void Draw(int x, int y, const TBitmap& bitmap) { StretchDraw(Bounds(x, y, bitmap.Width(), bitmap.Height()), bitmap); }
    // Draws `image` at (x, y) only where `mask` (same size) holds a black pixel.
    virtual void DrawMasked(int x, int y, const TBitmap& image, const TBitmap& mask) = 0;

    virtual void DrawFocusRect(const TRect& r) = 0;                       // dotted, XOR: drawing twice removes it
    virtual void DrawFrameControl(const TRect& r, unsigned dfcState) = 0; // push-button frame
    virtual void InvertRect(const TRect& r) = 0;
    virtual void SetPixel(int x, int y, TColor c) = 0;
    virtual TColor GetPixel(int x, int y) = 0;

    // Clipping: drawing outside the clip rectangle is left out. Pushes nest.
    virtual void PushClip(const TRect& r) = 0;
    virtual void PopClip() = 0;
    virtual TRect ClipRect() const = 0;
    // Moves the origin by (dx, dy): what is then drawn at (0, 0) lands at (dx, dy) of the
    // coordinates before, and ClipRect answers in the new coordinates. Pushes nest. A windowless
    // control paints in its own coordinates this way.
    virtual void PushOrigin(int dx, int dy) = 0;
    virtual void PopOrigin() = 0;
    // A one-bit, one-plane device (a monochrome printer): drawings that rely on shades of grey
    // use black lines instead.
    virtual bool OneBitDevice() const { return false; }

protected:
    TPoint penPos_;
};

// Word-breaking used by DrawText implementations: splits `text` into lines that fit `width`
// by `measure` (breaks at blanks, hard breaks at CR/LF; a word wider than the line stays whole).
struct TTextLine {
    size_t start = 0, length = 0;
};
template <class Measure>
std::vector<TTextLine> BreakTextLines(const std::string& text, int width, bool wordBreak, Measure measure);

#include "toolkit/GraphicsImpl.h"
