#include "html/HTMLUn2Map.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/SysUtils.h"

TAreaShape AreaShapeFrom(const std::string& shape) {
    const std::string s = LowerCase(shape.substr(0, 4));
    if (s == "circ") return TAreaShape::Circle;
    if (s == "poly") return TAreaShape::Poly;
    return TAreaShape::Rect;
}

std::vector<int> ParseAreaCoords(const std::string& coords) {
    std::vector<int> values;
    size_t i = 0;
    auto separator = [&](size_t k) { return coords[k] == ',' || coords[k] == ' '; };
    while (i < coords.size() && values.size() < MaxAreaCoords) {
        while (i < coords.size() && separator(i)) ++i;
        if (i >= coords.size()) break;
        size_t j = i;
        while (j < coords.size() && !separator(j)) ++j;
        values.push_back(StrToIntDef(std::string_view(coords).substr(i, j - i), 0));
        i = j;
    }
    return values;
}

std::optional<TMapRegion> TMapRegion::Make(TAreaShape shape, const std::vector<int>& c) {
    TMapRegion r;
    r.shape_ = shape;
    // Corners as the platform's region calls take them, then normalised as they do.
    auto box = [](long long l, long long t, long long rr, long long b) {
        auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, -(1 << 27), 1 << 27)); };
        return Rect(clamp(std::min(l, rr)), clamp(std::min(t, b)), clamp(std::max(l, rr)), clamp(std::max(t, b)));
    };
    switch (shape) {
    case TAreaShape::Rect:
        if (c.size() < 4) return std::nullopt;
        r.box_ = box(c[0], c[1], c[2] + 1LL, c[3] + 1LL);
        break;
    case TAreaShape::Circle:
        if (c.size() < 3) return std::nullopt;
        r.box_ =
            box(static_cast<long long>(c[0]) - c[2], static_cast<long long>(c[1]) - c[2], c[0] + 1LL + c[2], c[1] + 1LL + c[2]);
        break;
    case TAreaShape::Poly:
        if (c.size() < 6) return std::nullopt;
        for (size_t i = 0; i + 1 < c.size(); i += 2) r.points_.push_back(TPoint{c[i], c[i + 1]});
        break;
    }
    return r;
}

bool TMapRegion::Contains(int x, int y) const {
    switch (shape_) {
    case TAreaShape::Rect: return x >= box_.Left && x < box_.Right && y >= box_.Top && y < box_.Bottom;
    case TAreaShape::Circle: {
        if (box_.Right <= box_.Left || box_.Bottom <= box_.Top) return false;
        // Pixel centre against the ellipse inscribed in the box.
        const double rx = (box_.Right - box_.Left) / 2.0, ry = (box_.Bottom - box_.Top) / 2.0;
        const double dx = (x + 0.5 - (box_.Left + rx)) / rx, dy = (y + 0.5 - (box_.Top + ry)) / ry;
        return dx * dx + dy * dy <= 1.0;
    }
    case TAreaShape::Poly: {
        // Winding number of the pixel centre: an edge going up past it on its left counts +1,
        // going down -1; any non-zero total is inside.
        const double px = x + 0.5, py = y + 0.5;
        int winding = 0;
        const size_t n = points_.size();
        for (size_t i = 0; i < n; ++i) {
            const double x1 = points_[i].x, y1 = points_[i].y;
            const double x2 = points_[(i + 1) % n].x, y2 = points_[(i + 1) % n].y;
            const double side = (x2 - x1) * (py - y1) - (px - x1) * (y2 - y1);
            if (y1 <= py && y2 > py && side > 0)
                ++winding;
            else if (y1 > py && y2 <= py && side < 0)
                --winding;
        }
        return winding != 0;
    }
    }
    return false;
}
