#include "plugin/FormCodeArtwork.h"

#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

TBitmap ArtworkBitmap(const char* name) { return LoadPictureResource(name); }

TBitmap OpaqueGlyph(const char* name) {
    TBitmap b = ArtworkBitmap(name);
    b.Transparent = true;
    // The generator keeps the key colour (magenta) out of opaque glyphs, so every pixel is drawn.
    b.TransparentColor = clFuchsia;
    return b;
}

TFont Tahoma(int pixels, TColor color) {
    TFont f;
    f.Name = "Tahoma";
    f.Height = -pixels;
    f.Color = color;
    return f;
}

void SetUpDialog(TForm& dialog, TFormBorderStyle border, TPosition position, TColor color, int clientWidth, int clientHeight) {
    dialog.SetCaption(" ");
    dialog.BorderIcons = 0;
    dialog.BorderStyle = border;
    dialog.Position = position;
    dialog.SetColor(color);
    TFont f;
    f.Name = "MS Sans Serif";
    f.Height = -11;
    dialog.SetFont(f);
    dialog.SetClientSize(clientWidth, clientHeight);
}

std::function<void(TLabel&)> DialogLabel(TLabel*& field, int pixels, TLabelGround ground, bool centredFixed) {
    return [&field, pixels, ground, centredFixed](TLabel& l) {
        field = &l;
        l.SetTransparent(ground == TLabelGround::Transparent);
        if (ground == TLabelGround::ButtonFace) l.SetColor(clBtnFace);
        l.SetFont(Tahoma(pixels, clBlack));
        if (centredFixed) {
            l.SetAlignment(TAlignment::taCenter);
            l.SetAutoSize(false);
        }
    };
}
