#include <gtest/gtest.h>

#include "HtmlTestUtil.h"
