// Push buttons with a picture (glyph) and a caption, drawn by the toolkit. Win32 only.
// `TBitBtn` is a window of its own (keyboard focus, tab order, default and cancel roles);
// `TSpeedButton` draws the same face on its parent's surface and takes only the mouse, for
// picture buttons on a window's artwork, where a window each would cost more to make and paint
// than all the rest of the artwork.
#pragma once

#include "toolkit/StdCtrls.h"

enum class TBitBtnKind { bkCustom, bkOK, bkCancel };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// What a picture button's face shows.
struct TButtonFace {
    int Width = 0, Height = 0;
    const TBitmap* Glyph = nullptr; // NumGlyphs images side by side: up, disabled, down
    int NumGlyphs = 1;
    TButtonLayout Layout = TButtonLayout::blGlyphLeft;
    int Spacing = 4;
    int Margin = -1;
    const std::string* Caption = nullptr;
    TFont Font;
    bool Enabled = true;
    bool Default = false;
};
// Paints the whole face (frame, glyph, caption, focus) onto `canvas`.
void DrawButtonFace(TCanvas& canvas, const TButtonFace& face, bool pressed, bool focused);

// The picture and its arrangement, kept alike by both kinds of picture button.
class TButtonPicture {
public:
    // The glyph may hold NumGlyphs images side by side: up, disabled, down.
    const TBitmap& Glyph() const { return glyph_; }
    int NumGlyphs = 1;
    TButtonLayout Layout = TButtonLayout::blGlyphLeft;
    int Spacing = 4;
    int Margin = -1; // -1: glyph and caption centred together

protected:
    // Keeps `b` as the glyph; its bottom-left colour shows the face through.
    void StoreGlyph(const TBitmap& b);
    // The face of a button `c` showing this picture.
    TButtonFace FaceOf(const TControl& c, const std::string& caption, bool isDefault) const;
    TBitmap glyph_;
};

class TBitBtn : public TButtonControl, public TButtonPicture {
public:
    explicit TBitBtn(TComponent* owner);

    void SetGlyph(const TBitmap& b);
    // Sets the standard caption, result, default/cancel role and glyph (a green tick, a red cross;
    // a glyph set before is kept) of an OK or Cancel button.
    void SetKind(TBitBtnKind k);
    TBitBtnKind Kind() const { return kind_; }

    // Paints the whole button (frame, glyph, caption, focus) onto `canvas`.
    void DrawButton(TCanvas& canvas, bool pressed, bool focused);

protected:
    void CreateParams(TCreateParams& params) override;
    bool ReflectedMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    TBitBtnKind kind_ = TBitBtnKind::bkCustom;
};

class TSpeedButton : public TGraphicControl, public TButtonPicture {
public:
    explicit TSpeedButton(TComponent* owner);

    void SetGlyph(const TBitmap& b);
    void Paint(TCanvas& canvas) override;
    bool TakesClicks() const override { return true; }
    // Down while the left button, pressed on it, is held over it.
    bool Down() const { return down_ && inside_; }

protected:
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;

private:
    bool down_ = false, inside_ = false;
};
