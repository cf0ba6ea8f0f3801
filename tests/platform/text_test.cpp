#include <gtest/gtest.h>

#include "platform/SysUtils.h"

TEST(Text, Placeholder) { EXPECT_EQ(AnsiString("a") + "b", AnsiString("ab")); }
