#include "app/core/extract_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace {

TEST(ExtractChoice, PathGetsTheTypesExtensionOnlyWhenItHasNone) {
  EXPECT_EQ(CompleteExtractPath("out", 1), "out.gds");
  EXPECT_EQ(CompleteExtractPath("/d/out", 0), "/d/out.oas");
  EXPECT_EQ(CompleteExtractPath("dir/new/out", 2), "dir/new/out.poly");
  EXPECT_EQ(CompleteExtractPath("/d.x/out", 1), "/d.x/out.gds");
  EXPECT_EQ(CompleteExtractPath("/d/out.gds.gz", 1), "/d/out.gds.gz");
  EXPECT_EQ(CompleteExtractPath("/d/out.txt", 2), "/d/out.txt");
}

TEST(ExtractChoice, MissingDirectoriesAreMade) {
  const std::filesystem::path base =
      std::filesystem::temp_directory_path() / ("korvane_extract_" + std::to_string(::getpid()));
  MakeOutputDirectory((base / "new" / "deeper" / "out.poly").string());
  EXPECT_TRUE(std::filesystem::is_directory(base / "new" / "deeper"));
  EXPECT_FALSE(std::filesystem::exists(base / "new" / "deeper" / "out.poly"));
  std::filesystem::remove_all(base);
}

TEST(ExtractChoice, TextAndFlattenAreFlatAndTheFirstRootWithoutAreaIsTheLibrary) {
  ExtractRequest request;
  request.type = 2;
  EXPECT_EQ(ChooseExtraction(request, true), Extraction::kFlat);
  request.type = 1;
  EXPECT_EQ(ChooseExtraction(request, true), Extraction::kLibraryGds);
  request.type = 0;
  EXPECT_EQ(ChooseExtraction(request, true), Extraction::kLibraryOasis);
  EXPECT_EQ(ChooseExtraction(request, false), Extraction::kHierarchical);
  request.areaLastZoomed = true;
  EXPECT_EQ(ChooseExtraction(request, true), Extraction::kHierarchical);
  request.flatten = true;
  EXPECT_EQ(ChooseExtraction(request, true), Extraction::kFlat);
}

TEST(ExtractChoice, GridIsAPositiveWholeNumberThatFits32Bits) {
  EXPECT_EQ(ParseGrid("1"), 1);
  EXPECT_EQ(ParseGrid(" 25 "), 25);
  EXPECT_EQ(ParseGrid("2147483647"), 2147483647);
  for (const char* refused : {"0", "-5", "abc", "", "2147483648", "99999999999", "5x", "0x10"}) {
    EXPECT_FALSE(ParseGrid(refused)) << refused;
  }
}

}  // namespace
