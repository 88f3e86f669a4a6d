#include <gtest/gtest.h>

#include "HtmlTestUtil.h"

TEST(Readhtml, PlainParagraph) {
    TTestDoc d;
    d.Parse("Hello   <B>world</B>");
    EXPECT_EQ(d.Texts(), "Hello world");
}
