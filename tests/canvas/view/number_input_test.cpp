#include "canvas/view/number_input.h"

#include <gtest/gtest.h>

TEST(ParseInt32, AcceptsWholeNumbersInRangeOnly) {
  EXPECT_EQ(ParseInt32("42"), 42);
  EXPECT_EQ(ParseInt32("  -7 "), -7);
  EXPECT_EQ(ParseInt32("+3"), 3);
  EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
  EXPECT_EQ(ParseInt32("-2147483648"), INT32_MIN);
  for (const char* bad : {"", " ", "-", "abc", "12abc", "1.5", "2147483648", "-2147483649", "5000000000",
                          "99999999999999999999999", "0x10", "1 2"}) {
    EXPECT_FALSE(ParseInt32(bad).has_value()) << bad;
  }
}
