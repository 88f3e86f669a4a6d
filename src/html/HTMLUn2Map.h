// The geometry of image-map areas (AREA inside MAP): a shape and its coordinates made into a
// region that answers whether a pixel of the image lies in it. Regions follow the platform's
// region rules: a rectangle covers its left and top edges but not its right and bottom ones, an
// ellipse fills the box from left/top up to (not including) right/bottom, a polygon is filled
// with the winding rule, and a pixel counts as inside when its centre is.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

enum class TAreaShape { Rect, Circle, Poly };

// At most this many numbers are read from COORDS; the rest are ignored.
constexpr size_t MaxAreaCoords = 301;

// SHAPE's first four letters, lower-cased: "circ" a circle, "poly" a polygon, anything else
// (and no SHAPE) a rectangle.
TAreaShape AreaShapeFrom(const std::string& shape);
// COORDS split at commas and blanks; a piece that is not a whole number counts as 0.
std::vector<int> ParseAreaCoords(const std::string& coords);

class TMapRegion {
public:
    // A rectangle needs 4 values (its right and bottom edges are widened by one so that the
    // stated corner pixels are inside), a circle 3 (centre x, centre y, radius: the ellipse from
    // centre - radius to centre + radius + 1), a polygon 6 or more (pairs of points; an odd last
    // value is ignored). Nothing when there are too few values.
    static std::optional<TMapRegion> Make(TAreaShape shape, const std::vector<int>& coords);

    bool Contains(int x, int y) const;
    TAreaShape Shape() const { return shape_; }
    TRect Bounds() const { return box_; } // the rectangle or the ellipse's box, normalised

private:
    TAreaShape shape_ = TAreaShape::Rect;
    TRect box_;
    std::vector<TPoint> points_;
};
