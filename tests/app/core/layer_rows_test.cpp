#include "app/core/layer_rows.h"

#include <gtest/gtest.h>

namespace {

std::map<LayerKey, LayerInfo> Layers(std::initializer_list<std::pair<LayerKey, uint32_t>> keysAndColours) {
  std::map<LayerKey, LayerInfo> layers;
  for (const auto& [key, colour] : keysAndColours) {
    LayerInfo info;
    info.key = key;
    info.colour = colour;
    layers[key] = info;
  }
  return layers;
}

std::vector<bool> HiddenStates(const std::map<LayerKey, LayerInfo>& layers) {
  std::vector<bool> hidden;
  for (const auto& entry : layers) hidden.push_back((entry.second.colour & kLayerHidden) != 0);
  return hidden;
}

TEST(LayerRows, RowsInKeyOrderWithNumbersNamesAndPolygon) {
  auto layers = Layers({{MakeLayerKey(600, 3), 0}, {MakeLayerKey(5, 2), 0x80123456}, {MakeLayerKey(1, 0), 0xFF}});
  layers[MakeLayerKey(5, 2)].layerName = "metal1";
  layers[MakeLayerKey(5, 2)].brushStyle = kBrushCrossHatch;
  const std::vector<LayerRow> rows = BuildRows(layers);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].first, "1");
  EXPECT_EQ(rows[0].second, "0");
  EXPECT_EQ(rows[0].pattern, "SS");
  EXPECT_FALSE(rows[0].hidden);
  EXPECT_EQ(rows[1].first, "metal1");
  EXPECT_EQ(rows[1].second, "");  // the second name is shown even when empty
  EXPECT_EQ(rows[1].pattern, "++");
  EXPECT_TRUE(rows[1].hidden);
  EXPECT_EQ(rows[1].rgb, 0x123456u);
  EXPECT_EQ(rows[2].first, "Polygon");
  EXPECT_EQ(rows[2].second, "3");
}

TEST(LayerRows, FillCodesAndPatternsRoundTrip) {
  const char* patterns[] = {"SS", "  ", "//", "XX", "\\\\", "++", "--", "||", ".."};
  for (int code = 0; code <= 8; ++code) {
    EXPECT_EQ(BrushStyleToFillCode(FillCodeToBrushStyle(code)), code);
    EXPECT_EQ(PatternText(FillCodeToBrushStyle(code)), patterns[code]) << code;
  }
  EXPECT_EQ(FillCodeToBrushStyle(9), kBrushSolid);
  EXPECT_EQ(BrushStyleToFillCode(0), 0);
  EXPECT_EQ(PatternText(0), "SS");
}

TEST(LayerRows, FilterIsSetExactlyWhileNoLayerIsVisible) {
  EXPECT_TRUE(LayerFilterNeeded({}));
  auto layers = Layers({{1, 0}, {2, 0}});
  EXPECT_FALSE(LayerFilterNeeded(layers));
  ShowExactly(layers, {});
  EXPECT_TRUE(LayerFilterNeeded(layers));
  ToggleOne(layers, 1);
  EXPECT_FALSE(LayerFilterNeeded(layers));
}

TEST(LayerRows, ShowExactlyTheSelectedRows) {
  auto layers = Layers({{1, kLayerHidden}, {2, 0}, {3, 0}, {4, kLayerHidden}});
  ShowExactly(layers, {0, 2});
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{false, true, false, true}));
}

TEST(LayerRows, ToggleGroupFollowsTheFirstSelectedRow) {
  auto layers = Layers({{1, 0}, {2, kLayerHidden}, {3, 0}, {4, 0}});
  ToggleGroup(layers, {0, 1, 2});
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, true, true, false}));
  ToggleGroup(layers, {1, 3});
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, false, true, false}));
  ToggleGroup(layers, {});
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, false, true, false}));
}

TEST(LayerRows, CriticalityRowFollowsTheLayers) {
  const LayerRow row = CriticalityRow(kBrushBDiagonalHatch, false);
  EXPECT_EQ(row.first, "Criticality");
  EXPECT_EQ(row.pattern, "//");
  EXPECT_EQ(row.rgb, 0x0000FFu);
  EXPECT_TRUE(row.hidden);
  auto layers = Layers({{1, 0}, {2, kLayerHidden}, {3, 0}});
  bool shown = true;
  // The criticality row is row 3: first in a group it flips the map alone and ends the walk.
  ToggleGroup(layers, {3, 0}, &shown);
  EXPECT_FALSE(shown);
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{false, true, false}));
  ToggleGroup(layers, {0, 1, 3, 2}, &shown);
  EXPECT_TRUE(shown);
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, true, false}));
  ShowExactly(layers, {2}, &shown);
  EXPECT_FALSE(shown);
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, true, false}));
  ShowExactly(layers, {3, 1}, &shown);
  EXPECT_TRUE(shown);
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, false, true}));
  ToggleOne(layers, 3, &shown);
  EXPECT_FALSE(shown);
  // Without a criticality row, row 3 is no row at all.
  ToggleOne(layers, 3);
  ToggleGroup(layers, {3});
  EXPECT_EQ(HiddenStates(layers), (std::vector<bool>{true, false, true}));
}

TEST(LayerRows, ParseNewLayerTakesOnlyLayersTheLibraryListsAndSaysWhatIsWrong) {
  std::string refusal;
  EXPECT_EQ(ParseNewLayer("7", refusal), LayerKey(7 * 256));
  EXPECT_EQ(ParseNewLayer("  0 0", refusal), LayerKey(0));
  EXPECT_EQ(ParseNewLayer("  511 255 9", refusal), LayerKey(511 * 256 + 255));
  EXPECT_EQ(refusal, "");
  EXPECT_EQ(ParseNewLayer("  ", refusal), std::nullopt);
  EXPECT_EQ(refusal, "");
  const std::string layer = "Layer must be a whole number from 0 to 511, not ";
  const std::string datatype = "Datatype must be a whole number from 0 to 255, not ";
  const std::pair<const char*, std::string> refused[] = {
      {"abc", layer + "\"abc\""},       {"-1 0", layer + "\"-1\""},    {"512 0", layer + "\"512\""},
      {"65536 1", layer + "\"65536\""}, {"5x 1", layer + "\"5x\""},    {"5 300", datatype + "\"300\""},
      {"5 -2", datatype + "\"-2\""},    {"5 dt", datatype + "\"dt\""}, {"99999999999 0", layer + "\"99999999999\""},
  };
  for (const auto& [answer, sentence] : refused) {
    EXPECT_EQ(ParseNewLayer(answer, refusal), std::nullopt) << answer;
    EXPECT_EQ(refusal, sentence);
  }
}

TEST(LayerRows, AddLayerOnlyOnce) {
  std::map<LayerKey, LayerInfo> layers;
  EXPECT_TRUE(AddLayer(layers, 1324));
  layers[1324].colour = 0xFF;
  EXPECT_FALSE(AddLayer(layers, 1324));
  EXPECT_EQ(layers[1324].colour, 0xFFu);
  EXPECT_EQ(layers[1324].brushStyle, 0u);
  EXPECT_EQ(BuildRows(layers)[0].pattern, "SS");
}

}  // namespace
