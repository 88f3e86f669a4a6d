// A push button with a picture (glyph) and a caption, drawn by the toolkit. Win32 only.
#pragma once

#include "toolkit/StdCtrls.h"

enum class TBitBtnKind { bkCustom, bkOK, bkCancel };
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TBitBtn : public TButtonControl {
public:
    explicit TBitBtn(TComponent* owner);

    // The glyph may hold NumGlyphs images side by side: up, disabled, down.
    const TBitmap& Glyph() const { return glyph_; }
    void SetGlyph(const TBitmap& b);
    int NumGlyphs = 1;
    TButtonLayout Layout = TButtonLayout::blGlyphLeft;
    int Spacing = 4;
    int Margin = -1; // -1: glyph and caption centred together
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
    TBitmap GlyphPart(int index) const;
    TBitmap glyph_;
    TBitBtnKind kind_ = TBitBtnKind::bkCustom;
};
