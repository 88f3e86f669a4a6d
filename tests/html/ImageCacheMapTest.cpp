// The picture cache (keys, users, idle loads, upkeep) and the regions of image-map areas.
#include <gtest/gtest.h>

#include "html/HTMLUn2Cache.h"
#include "html/HTMLUn2Map.h"

namespace {
TPicture Still(int w, int h, TColor fill = clRed) {
    TPicture p;
    p.Bitmap = std::make_shared<TBitmap>(w, h, TBitmap::ToPixel(fill));
    return p;
}
} // namespace

TEST(ImageCache, KeysAndUsers) {
    TStringBitmapList cache;
    EXPECT_EQ(TStringBitmapList::Key("  images/Logo.gif \t"), "IMAGES/LOGO.GIF");
    EXPECT_EQ(cache.Use("logo.gif"), nullptr);
    TBitmapItem& a = cache.Add(" Logo.GIF", Still(3, 3));
    EXPECT_EQ(a.Users, 1);
    // The same image on another page: a hit, decoded once.
    TBitmapItem* hit = cache.Use("LOGO.gif  ");
    ASSERT_EQ(hit, &a);
    EXPECT_EQ(a.Users, 2);
    cache.Release(hit);
    cache.Release(&a);
    EXPECT_EQ(a.Users, 0);
    cache.Release(&a); // never below zero
    EXPECT_EQ(a.Users, 0);
    // Adding under a name in use keeps the entry in use; an unused entry is replaced.
    TBitmapItem* again = cache.Use("logo.gif");
    TBitmapItem& same = cache.Add("logo.gif", Still(9, 9));
    EXPECT_EQ(&same, again);
    EXPECT_EQ(same.Picture.Width(), 3);
    EXPECT_EQ(same.Users, 2);
    cache.Release(&same), cache.Release(&same);
    EXPECT_EQ(cache.Add("logo.gif", Still(9, 9)).Picture.Width(), 9);
    EXPECT_EQ(cache.Count(), 1);
}

TEST(ImageCache, IdleLoadsAndUpkeep) {
    TStringBitmapList cache;
    TBitmapItem& kept = cache.Add("kept", Still(1, 1)); // stays in use
    cache.Release(&cache.Add("old", Still(1, 1)));
    cache.Release(&cache.Add("fresh", Still(1, 1)));
    // Five page loads with ImageCacheCount 5: nothing goes yet.
    for (int i = 0; i < 5; ++i) cache.PageLoaded(5);
    EXPECT_EQ(cache.Count(), 3);
    // "fresh" is used again on the next page: its idle loads start over.
    cache.Release(cache.Use("fresh"));
    cache.PageLoaded(5); // "old" reaches 6 > 5
    EXPECT_EQ(cache.Find("old"), nullptr);
    ASSERT_NE(cache.Find("fresh"), nullptr);
    EXPECT_EQ(cache.Find("fresh")->IdleLoads, 1);
    EXPECT_EQ(kept.IdleLoads, 6);
    // Lowering ImageCacheCount frees what has idled longer than the new count, unless used.
    cache.Purge(0);
    EXPECT_EQ(cache.Find("fresh"), nullptr);
    EXPECT_NE(cache.Find("kept"), nullptr);
    // After a GIF failed to decode every unused entry goes.
    cache.Release(&cache.Add("spare", Still(1, 1)));
    cache.FreeUnused();
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_EQ(cache.Find("kept"), &kept);
}

TEST(ImageCache, TranspAsksForALowerLeftMask) {
    TStringBitmapList cache;
    TPicture p = Still(2, 2, clWhite);
    p.Bitmap->SetPixel(0, 1, TBitmap::ToPixel(clBlue));
    p.Bitmap->SetPixel(1, 0, TBitmap::ToPixel(clBlue));
    TBitmapItem& item = cache.Add("p", p);
    EXPECT_EQ(item.TranspKind(), TTranspKind::None);
    item.EnsureLowerLeftMask();
    ASSERT_TRUE(item.Picture.Mask);
    EXPECT_EQ(item.TranspKind(), TTranspKind::LowerLeft);
    EXPECT_EQ(std::vector<uint32_t>(item.Picture.Mask->Data(), item.Picture.Mask->Data() + 4),
              (std::vector<uint32_t>{0, 0xFFFFFF, 0xFFFFFF, 0}));
    // A picture that has a mask of its own keeps it and its kind.
    TPicture q = Still(2, 2);
    q.Mask = std::make_shared<TBitmap>(2, 2, 0);
    q.TranspKind = TTranspKind::PngTrns;
    TBitmapItem& other = cache.Add("q", q);
    other.EnsureLowerLeftMask();
    EXPECT_EQ(other.TranspKind(), TTranspKind::PngTrns);
    EXPECT_EQ(other.Picture.Mask, q.Mask);
}

TEST(ImageMap, ShapesAndCoordinates) {
    const struct {
        const char* shape;
        TAreaShape expect;
    } shapes[] = {{"rect", TAreaShape::Rect},    {"CIRCLE", TAreaShape::Circle}, {"circ", TAreaShape::Circle},
                  {"Polygon", TAreaShape::Poly}, {"poly", TAreaShape::Poly},     {"cir", TAreaShape::Rect},
                  {"", TAreaShape::Rect},        {"default", TAreaShape::Rect}};
    for (auto& s : shapes) EXPECT_EQ(AreaShapeFrom(s.shape), s.expect) << s.shape;

    const struct {
        const char* text;
        std::vector<int> values;
    } coords[] = {
        {"1,2,3,4", {1, 2, 3, 4}},
        {" 10 , 20,,30  40 ", {10, 20, 30, 40}},
        {"5,x,7px,-3", {5, 0, 0, -3}}, // pieces that are not whole numbers count as 0
        {"", {}},
    };
    for (auto& c : coords) EXPECT_EQ(ParseAreaCoords(c.text), c.values) << c.text;
    std::string many;
    for (int i = 0; i < 400; ++i) many += std::to_string(i) + ",";
    std::vector<int> v = ParseAreaCoords(many);
    ASSERT_EQ(v.size(), MaxAreaCoords);
    EXPECT_EQ(v.back(), 300);

    // Too few values: no region.
    EXPECT_FALSE(TMapRegion::Make(TAreaShape::Rect, {1, 2, 3}));
    EXPECT_FALSE(TMapRegion::Make(TAreaShape::Circle, {1, 2}));
    EXPECT_FALSE(TMapRegion::Make(TAreaShape::Poly, {1, 2, 3, 4, 5}));
    EXPECT_TRUE(TMapRegion::Make(TAreaShape::Poly, {0, 0, 9, 0, 0, 9, 100})); // an odd last value is ignored
}

TEST(ImageMap, PixelsInsideRegions) {
    struct TCase {
        const char* what;
        TAreaShape shape;
        std::vector<int> coords;
        std::vector<std::pair<int, int>> in, out;
    };
    const TCase cases[] = {
        {"rectangle: both stated corners inside",
         TAreaShape::Rect,
         {10, 20, 30, 40},
         {{10, 20}, {30, 40}, {30, 20}, {20, 30}},
         {{9, 20}, {31, 40}, {30, 41}, {10, 19}}},
        {"rectangle given right to left",
         TAreaShape::Rect,
         {30, 40, 10, 20}, // the region call's corners: 30..11, 40..21
         {{11, 21}, {29, 39}},
         {{10, 20}, {30, 40}}},
        {"circle of radius 5 at (20, 20)",
         TAreaShape::Circle,
         {20, 20, 5},
         {{20, 20}, {15, 20}, {25, 20}, {20, 15}, {20, 25}, {23, 23}},
         {{14, 20}, {26, 20}, {24, 24}, {20, 26}}},
        {"circle of radius 0", TAreaShape::Circle, {3, 3, 0}, {{3, 3}}, {{4, 3}, {2, 3}}},
        {"triangle", TAreaShape::Poly, {0, 0, 20, 0, 0, 20}, {{0, 0}, {9, 9}, {18, 0}}, {{10, 10}, {19, 19}, {-1, 0}, {0, 20}}},
        // A five-pointed star drawn in one stroke: its centre is enclosed twice, so the winding
        // rule fills it (an even-odd fill would leave it empty).
        {"star, winding rule",
         TAreaShape::Poly,
         {50, 0, 79, 90, 2, 35, 97, 35, 21, 90},
         {{50, 50}, {50, 10}, {20, 38}},
         {{0, 0}, {50, 80}, {99, 99}}},
    };
    for (const TCase& c : cases) {
        std::optional<TMapRegion> r = TMapRegion::Make(c.shape, c.coords);
        ASSERT_TRUE(r) << c.what;
        for (auto [x, y] : c.in) EXPECT_TRUE(r->Contains(x, y)) << c.what << " (" << x << ", " << y << ")";
        for (auto [x, y] : c.out) EXPECT_FALSE(r->Contains(x, y)) << c.what << " (" << x << ", " << y << ")";
    }
    // Coordinates far outside any picture stay sound.
    std::optional<TMapRegion> huge = TMapRegion::Make(TAreaShape::Circle, {2147483647, -2147483647 - 1, 2147483647});
    ASSERT_TRUE(huge);
    EXPECT_FALSE(huge->Contains(0, 0) && huge->Contains(1 << 28, 0));
}
