// Image objects (IMG): attributes, getting the picture, sizing with the placeholder rules,
// drawing, hit tests; and image maps (MAP, AREA).
#include <algorithm>
#include <cstdlib>

#include "html/HTMLUn2.h"
#include "toolkit/Pictures.h"
#include "toolkit/SysUtils.h"

TImageObj::TImageObj(int pos, const TAttributeList& attrs) : Pos(pos) {
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case SrcSy: Source = Trim(a.Text); break;
        case AltSy: AltText = a.Text; break;
        case AlignSy: {
            std::string s = UpperCase(a.Text);
            if (s == "TOP")
                VAlign = TImageAlign::Top;
            else if (s == "MIDDLE" || s == "ABSMIDDLE")
                VAlign = TImageAlign::Middle;
            else if (s == "LEFT")
                VAlign = TImageAlign::Left;
            else if (s == "RIGHT")
                VAlign = TImageAlign::Right;
            else
                VAlign = TImageAlign::Bottom;
            break;
        }
        case BorderSy: NoBorder = a.Number == 0; break;
        case WidthSy:
            if (!a.Text.empty() && a.Text.back() == '%') {
                PercentWidth = true;
                SpecWidth = std::clamp(a.Number, 1, 100);
            } else if (a.Number > 0) {
                SpecWidth = a.Number;
            }
            break;
        case HeightSy: SpecHeight = std::max(1, a.Number); break;
        case HSpaceSy: HSpace = std::min(20, std::abs(a.Number)); break;
        case TranspSy: Transparent = true; break;
        case IsMapSy: IsMap = true; break;
        case UseMapSy: {
            std::string m = Trim(UpperCase(a.Text));
            if (!m.empty() && m[0] == '#') m.erase(0, 1);
            MapName = m;
            break;
        }
        case ActiveSy: HoverAnimated = true; break;
        default: break;
        }
    }
}

TImageObj::~TImageObj() {
    if (Context) Context->Animations.Remove(this);
}

TFont TImageObj::AltFont() {
    TFont f;
    f.Name = "Arial";
    f.SetSize(8);
    return f;
}

void TImageObj::Fetch() {
    TImageSources sources = Context->Sources;
    sources.Waiting = &Context->Waiting;
    TFetchResult r = FetchImage(Source, Transparent, sources);
    if (r.State == TFetchState::Waiting) {
        state_ = TImageState::Waiting;
        return;
    }
    const TPicture* pic = r.Picture();
    if (r.State != TFetchState::Loaded || !pic || pic->Empty()) {
        state_ = TImageState::Error;
        return;
    }
    auto part = std::make_unique<TPicturePart>();
    if (pic->Gif) {
        // Each image animates its own copy; the frames stay shared with the cache.
        part->Gif = std::make_unique<TGIFImage>(*pic->Gif);
        part->Gif->Rewind();
        Context->Animations.Add(this, part->Gif.get(), HoverAnimated);
    } else {
        part->Bitmap = pic->Bitmap;
        part->Mask = r.Mask;
    }
    part->Use = std::move(r.Use);
    picture_ = std::move(part);
    state_ = TImageState::Loaded;
}

void TImageObj::ReleasePicture() {
    if (Context) Context->Animations.Remove(this);
    picture_.reset();
    state_ = TImageState::NotLoaded;
    sized_ = false;
}

const TUrlTarget& TImageObj::Link() const {
    static const TUrlTarget none;
    return link_ ? *link_ : none;
}

int TImageObj::PictureWidth() const {
    if (!picture_) return 0;
    return picture_->Gif ? picture_->Gif->Width() : picture_->Bitmap ? picture_->Bitmap->Width() : 0;
}
int TImageObj::PictureHeight() const {
    if (!picture_) return 0;
    return picture_->Gif ? picture_->Gif->Height() : picture_->Bitmap ? picture_->Bitmap->Height() : 0;
}

namespace {
int Side(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 1, MaxImageSide)); }
} // namespace

void TImageObj::SetSize(TCanvas& canvas, int availWidth) {
    if (sized_ && !PercentWidth) return;
    if (!sized_ && state_ == TImageState::NotLoaded && Context && Context->ViewImages) Fetch();
    sized_ = true;
    const int64_t pctWidth = int64_t(std::max(0, availWidth)) * std::max(0, SpecWidth) / 100;
    if (state_ != TImageState::Loaded) {
        // A placeholder: the stated box when both sides are given, else the placeholder picture
        // grown to hold the ALT text beside it.
        const TBitmap& pic = NotLoadedImagePicture();
        if (!PercentWidth && SpecWidth > 0 && SpecHeight > 0) {
            Width = Side(SpecWidth);
            Height = Side(SpecHeight);
        } else {
            canvas.Font = AltFont();
            const TSize ext = canvas.TextExtent(AltText);
            const int boxW = std::max(pic.Width(), ext.cx + 2 + 24);
            const int boxH = std::max(pic.Height(), std::max(24, AltText.empty() ? 0 : ext.cy));
            Width = PercentWidth ? Side(pctWidth) : boxW;
            Height = PercentWidth && SpecHeight > 0 ? Side(SpecHeight) : boxH;
        }
    } else {
        const int64_t w = PictureWidth(), h = PictureHeight();
        if (PercentWidth) {
            Width = Side(pctWidth);
            Height = Side(SpecHeight > 0 ? SpecHeight : h);
        } else if (SpecWidth > 0 && SpecHeight > 0) {
            Width = Side(SpecWidth);
            Height = Side(SpecHeight);
        } else if (SpecWidth > 0) {
            Width = Side(SpecWidth);
            Height = Side(w > 0 ? SpecWidth * h / w : h);
        } else if (SpecHeight > 0) {
            Height = Side(SpecHeight);
            Width = Side(h > 0 ? SpecHeight * w / h : w);
        } else {
            Width = Side(w);
            Height = Side(h);
        }
    }
    if (HasBorder) {
        Width += 2;
        Height += 2;
    }
}

bool TImageObj::HitTest(int x, int y, int& ix, int& iy) const {
    const int b = HasBorder ? 1 : 0;
    if (x < DrawX + b || y < DrawY + b || x >= DrawX + Width - b || y >= DrawY + Height - b) return false;
    ix = x - DrawX - b;
    iy = y - DrawY - b;
    return true;
}

void TImageObj::Draw(TCanvas& canvas, int x, int y, const TDocColors& colors) {
    if (state_ == TImageState::Loaded)
        DrawPicture(canvas, x, y);
    else
        DrawPlaceholder(canvas, x, y, colors);
    if (HasBorder && state_ == TImageState::Loaded) {
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = colors.Link;
        canvas.FrameRect(Bounds(x, y, Width, Height));
    }
}

void TImageObj::DrawPicture(TCanvas& canvas, int x, int y) {
    const int b = HasBorder ? 1 : 0;
    const int w = Width - 2 * b, h = Height - 2 * b;
    if (w <= 0 || h <= 0) return;
    TPicturePart& part = *picture_;
    const TGIFImage* gif = part.Gif.get();
    const TBitmap& pic = gif ? gif->Bitmap() : *part.Bitmap;
    const TBitmap* mask = gif ? (gif->HasMask() ? &gif->Mask() : nullptr) : part.Mask.get();
    if (!mask) {
        canvas.StretchDraw(Bounds(x + b, y + b, w, h), pic);
        return;
    }
    if (w == pic.Width() && h == pic.Height()) {
        canvas.DrawMasked(x + b, y + b, pic, *mask);
        return;
    }
    // A masked picture drawn at another size: the picture and its mask stretched alike. Stills
    // keep their stretched copies; an animation's frame changes, so it is stretched each time.
    // A box too large to copy is drawn without its mask.
    if (int64_t(w) * h > kMaxPicturePixels) {
        canvas.StretchDraw(Bounds(x + b, y + b, w, h), pic);
        return;
    }
    if (gif) {
        canvas.DrawMasked(x + b, y + b, StretchedCopy(pic, w, h), StretchedCopy(*mask, w, h));
        return;
    }
    if (part.Stretched.Width() != w || part.Stretched.Height() != h) {
        part.Stretched = StretchedCopy(pic, w, h);
        part.StretchedMask = StretchedCopy(*mask, w, h);
    }
    canvas.DrawMasked(x + b, y + b, part.Stretched, part.StretchedMask);
}

void TImageObj::DrawPlaceholder(TCanvas& canvas, int x, int y, const TDocColors& colors) {
    // The placeholder box: the not-loaded (or error) picture 4 pixels in from the top-left
    // corner when the box has room for it, the ALT text beside it, and a sunken frame, or a
    // one-pixel frame in the link colour when the image is a link.
    TRect r = Bounds(x, y, Width, Height);
    TColor textColor = colors.Font;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    if (HasBorder) {
        TColor lc = colors.Link;
        canvas.Brush.Color = lc;
        canvas.FrameRect(r);
        textColor = lc;
    } else {
        canvas.Brush.Color = clBtnShadow;
        canvas.FillRect(Rect(r.Left, r.Top, r.Right, r.Top + 1));
        canvas.FillRect(Rect(r.Left, r.Top, r.Left + 1, r.Bottom));
        canvas.Brush.Color = clBtnHighlight;
        canvas.FillRect(Rect(r.Left + 1, r.Bottom - 1, r.Right, r.Bottom));
        canvas.FillRect(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom));
    }
    if (Width >= 24 && Height >= 24) {
        if (state_ == TImageState::Error)
            canvas.DrawMasked(x + 4, y + 4, ErrorImagePicture(), ErrorImageMask());
        else
            canvas.Draw(x + 4, y + 4, NotLoadedImagePicture());
    }
    if (!AltText.empty() && Width > 24) {
        canvas.PushClip(Rect(x + 24, y + 1, r.Right - 1, r.Bottom - 1));
        canvas.Font = AltFont();
        canvas.Font.Color = textColor;
        canvas.Brush.Style = TBrushStyle::bsClear;
        TRect tr = Rect(x + 24, y + 4, r.Right - 1, r.Bottom - 1);
        canvas.DrawText(AltText, tr, dt::WordBreak | dt::NoPrefix);
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.PopClip();
    }
}

// ---------------------------------------------------------------------------------------------
// Image maps

void TMapItem::AddArea(const TAttributeList& attrs) {
    TAreaShape shape = TAreaShape::Rect;
    std::string coords;
    TUrlTarget link;
    for (int i = 0; i < attrs.Count(); ++i) {
        const TAttribute& a = attrs[i];
        switch (a.Symbol) {
        case ShapeSy: shape = AreaShapeFrom(a.Text); break;
        case CoordsSy: coords = a.Text; break;
        case HrefSy: link.Url = a.Text; break;
        case NoHrefSy: link.Url.clear(); break;
        case TargetSy: link.Target = a.Text; break;
        default: break;
        }
    }
    if (std::optional<TMapRegion> region = TMapRegion::Make(shape, ParseAreaCoords(coords)))
        Areas.push_back({std::move(*region), std::move(link)});
}

const TMapItem::Area* TMapItem::AreaAt(int x, int y) const {
    for (const Area& a : Areas)
        if (a.Region.Contains(x, y)) return &a;
    return nullptr;
}
