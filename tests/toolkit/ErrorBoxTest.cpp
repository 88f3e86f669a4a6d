#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "toolkit/ErrorBox.h"
#include "toolkit/Jpeg.h"

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText("Timed out"), "Timed out.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Really!"), "Really!");  // '!' sorts before '.'
    EXPECT_EQ(ErrorBoxText("Port 80"), "Port 80."); // digits sort after '.'
    EXPECT_EQ(ErrorBoxText("path/"), "path/.");
    EXPECT_EQ(ErrorBoxText(""), "");
    EXPECT_EQ(ErrorBoxText("caf\xe9"), "caf\xe9."); // bytes above 127 count as after '.'
}

TEST(Jpeg, DecodesTheTestPictureAndRejectsGarbage) {
    std::ifstream in(std::string(QV_TEST_DATA) + "/toolkit/tiny.jpg", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty());
    TBitmap b = DecodeJpeg(bytes.data(), bytes.size());
    ASSERT_EQ(b.Width(), 8);
    ASSERT_EQ(b.Height(), 4);
    TColor left = TBitmap::FromPixel(b.Pixel(1, 1)), right = TBitmap::FromPixel(b.Pixel(6, 2));
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 60);
    EXPECT_GT(GetBValue(right), 200);
    EXPECT_LT(GetRValue(right), 60);
    std::vector<uint8_t> junk = {0xFF, 0xD8, 0x00, 0x01, 0x02};
    EXPECT_THROW(DecodeJpeg(junk.data(), junk.size()), EInvalidGraphic);
    EXPECT_THROW(DecodeJpeg(nullptr, 0), EInvalidGraphic);
}
