#include "app/core/view_commands.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseGoTo, TakesTheWholePartsOfTheFirstTwoWords) {
  EXPECT_EQ(ParseGoTo("12.7 -3"), (GoToPoint{12, -3}));
  EXPECT_EQ(ParseGoTo("  -0.9\t 4.99  7 junk"), (GoToPoint{0, 4}));
  EXPECT_EQ(ParseGoTo("-2147483648 2147483647.5"), (GoToPoint{INT32_MIN, INT32_MAX}));
}

TEST(ParseGoTo, RefusesMissingOrUnreadableWords) {
  for (const char* answer : {"", "   ", "12", "12 y", "x 3", "1 2um", "nan 1", "1 inf", "3000000000 0", "0 -1e10"}) {
    EXPECT_FALSE(ParseGoTo(answer).has_value()) << answer;
  }
}

TEST(ChangedNumber, OnlyANewValueInRangeCounts) {
  EXPECT_EQ(ChangedNumber(4L, 3, 5), 4);
  EXPECT_EQ(ChangedNumber(0L, 3, 5), 0);
  EXPECT_EQ(ChangedNumber(5L, 3, 5), 5);
  EXPECT_FALSE(ChangedNumber(3L, 3, 5).has_value());
  EXPECT_FALSE(ChangedNumber(std::nullopt, 3, 5).has_value());
  EXPECT_FALSE(ChangedNumber(-1L, 3, 5).has_value());
  EXPECT_FALSE(ChangedNumber(6L, 3, 5).has_value());
  EXPECT_FALSE(ChangedNumber(5000000000L, 3, kMaxCellSizeLimit).has_value());
}

TEST(ViewCommandTexts, DepthQuestionAndDatabaseUnit) {
  EXPECT_EQ(MaxDisplayDepth(3), 4);
  EXPECT_EQ(MaxDisplayDepth(UINT32_MAX), INT32_MAX);
  EXPECT_EQ(DepthQuestion(4), "Input hierarchcial display depth [0..4]");
  EXPECT_EQ(DbUnitText(1.0), "DB Unit = 1.00 nm");
  EXPECT_EQ(DbUnitText(4.0), "DB Unit = 0.25 nm");
  EXPECT_EQ(DbUnitText(0.001), "DB Unit = 1000.00 nm");
}

}  // namespace
