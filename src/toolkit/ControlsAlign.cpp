#include "toolkit/ControlsAlign.h"

#include <algorithm>

std::vector<TRect> AlignBounds(const TRect& client, const std::vector<TAlignItem>& items) {
    std::vector<TRect> out;
    out.reserve(items.size());
    for (const TAlignItem& i : items) out.push_back(i.Box);
    // What is not yet taken; a parent smaller than its frame has an empty client area.
    TRect left = Rect(client.Left, client.Top, std::max(client.Left, client.Right), std::max(client.Top, client.Bottom));
    auto place = [&](TAlign kind) {
        for (size_t n = 0; n < items.size(); ++n) {
            const TAlignItem& i = items[n];
            if (!i.Visible || i.Align != kind) continue;
            const int w = std::max(0, std::min(i.Box.Width(), left.Width()));
            const int h = std::max(0, std::min(i.Box.Height(), left.Height()));
            switch (kind) {
            case TAlign::alTop:
                out[n] = Rect(left.Left, left.Top, left.Right, left.Top + h);
                left.Top += h;
                break;
            case TAlign::alBottom:
                out[n] = Rect(left.Left, left.Bottom - h, left.Right, left.Bottom);
                left.Bottom -= h;
                break;
            case TAlign::alLeft:
                out[n] = Rect(left.Left, left.Top, left.Left + w, left.Bottom);
                left.Left += w;
                break;
            case TAlign::alRight:
                out[n] = Rect(left.Right - w, left.Top, left.Right, left.Bottom);
                left.Right -= w;
                break;
            case TAlign::alClient: out[n] = left; break;
            case TAlign::alNone: break;
            }
        }
    };
    for (TAlign kind : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) place(kind);
    return out;
}
