#include "canvas/view/view_questions.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseGoTo, TakesTheWholePartsOfTheFirstTwoWordsOnly) {
  EXPECT_EQ(ParseGoTo("12.7 -3"), (GoToPoint{12, -3}));
  EXPECT_EQ(ParseGoTo("  -0.9\t 4.99  7 junk"), (GoToPoint{0, 4}));
  EXPECT_EQ(ParseGoTo("-2147483648 2147483647.5"), (GoToPoint{INT32_MIN, INT32_MAX}));
  for (const char* answer : {"", "12", "12 y", "1 2um", "nan 1", "1 inf", "3000000000 0"}) {
    EXPECT_FALSE(ParseGoTo(answer).has_value()) << answer;
  }
}

}  // namespace
