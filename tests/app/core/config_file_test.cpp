#include "app/core/config_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/core/command_ids.h"
#include "app/core/layer_rows.h"
#include "tests/app/core/recording_config_target.h"

namespace {

using RecordingTarget = RecordingConfigTarget;

struct Read {
  ConfigOutcome outcome;
  std::string log;
};

Read ReadText(const std::string& text, RecordingTarget& target) {
  std::istringstream in(text);
  Read r;
  r.outcome = ConfigReader(in, target, [&r](const std::string& line) { r.log += line; });
  return r;
}

TEST(ConfigFile, SaveAndLoadRoundTrip) {
  ConfigSnapshot saved;
  saved.criticalityPath = "/data/hot spots.txt";
  saved.layerMapPath = "/data/process.map";
  saved.depth = 7;
  saved.cellSize = 42;
  saved.showGrids = true;
  saved.showOutlines = true;
  saved.background = {1, 2, 3};
  saved.geometryHighlight = {250, 0, 9};
  for (auto [key, colour, style] : {std::tuple{MakeLayerKey(1, 0), 0x80102030u, uint32_t(kBrushSolid)},
                                    std::tuple{MakeLayerKey(5, 2), 0x00FF00FFu, uint32_t(kBrushStipple)},
                                    std::tuple{MakeLayerKey(511, 255), 0x80000000u, uint32_t(kBrushCrossHatch)}}) {
    LayerInfo& info = saved.layers[key];
    info.key = key;
    info.colour = colour;
    info.brushStyle = style;
  }
  const std::string text = ConfigWriter(saved);
  EXPECT_EQ(text,
            "Criticality /data/hot spots.txt\nLayerMap /data/process.map\nDepth 7\nCellSize 42\nShowGrid\n"
            "ShowOutline\nBackground 1 2 3\nHighGeo 250 0 9\nLayer 1 0 0 0 48 32 16\nLayer 5 2 1 8 255 0 255\n"
            "Layer 511 255 0 5 0 0 0\n");

  RecordingTarget target;
  target.existing.insert("/data/process.map");
  for (const auto& entry : saved.layers) target.AddLayer(entry.first, 0x00ABCDEF, kBrushTransparent);
  const Read r = ReadText(text, target);
  EXPECT_TRUE(r.outcome.redraw);
  EXPECT_TRUE(r.outcome.layersChanged);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"criticality /data/hot spots.txt", "layermap /data/process.map"}));
  EXPECT_EQ(ConfigWriter(target.snapshot), text);
}

TEST(ConfigFile, LayerLinesOfThreeFourAndSevenFields) {
  RecordingTarget target;
  const LayerKey a = MakeLayerKey(1, 0), b = MakeLayerKey(2, 0), c = MakeLayerKey(3, 0), d = MakeLayerKey(4, 0);
  for (LayerKey key : {a, b, c, d}) target.AddLayer(key, 0x80112233, kBrushCrossHatch);
  const Read r = ReadText(
      "Layer 1 0 1\nLayer 2 0 0 9\nLayer 3 0 1 4 300 -1 7\nLayer 4 0 1 -1\nLayer 1 256 1\nLayer 9 9 1 2\n", target);
  auto& layers = target.snapshot.layers;
  EXPECT_EQ(layers[a].colour, 0x00112233u);
  EXPECT_EQ(layers[a].brushStyle, uint32_t(kBrushCrossHatch));
  EXPECT_EQ(layers[b].colour, 0x80112233u);
  EXPECT_EQ(layers[b].brushStyle, uint32_t(kBrushSolid));  // fill 9 is solid
  EXPECT_EQ(layers[c].colour, 0x0007FF2Cu);                // colours cut to 8 bits each
  EXPECT_EQ(layers[c].brushStyle, uint32_t(kBrushFDiagonalHatch));
  EXPECT_EQ(layers[d].brushStyle, uint32_t(kBrushCrossHatch));  // "-1" is no fill
  EXPECT_EQ(layers.size(), 4u);
  EXPECT_EQ(r.log,
            "Layer 1 0 1\nLayer 2 0 0 9\nLayer 3 0 1 4 300 -1 7\n\nLayer 4 0 1\n"
            "Warning: Layer 1 256 not defined\nWarning: Layer 9 9 not defined\n");
}

TEST(ConfigFile, BindkeyBlock) {
  RecordingTarget target;
  const Read r = ReadText(
      "Bindkey\n# a comment inside\nChangeColor Ctrl B\nNoSuchCommand Alt X\nZoomout None HOME\n"
      "Rotate90Polygon Shift R\nEnd\nDepth 3\nBindkey\nGoto Alt G\n",
      target);
  using B = RecordingTarget::Binding;
  EXPECT_EQ(target.bindings, (std::vector<B>{{kCmdChangeColor, 0x4201, "ChangeColor\tCtrl-B"},
                                             {kCmdZoomOut, 0x0100, "Zoom out\tHOME"},
                                             {kCmdRotate90Polygon, 0x5203, "Rotate &90 Polygon\tShift-R"},
                                             {kCmdGoTo, 0x4702, "&Go to\tAlt-G"}}));
  // The block sets neither flag; the Depth after it is read, and the block without End ends at
  // the end of the file.
  EXPECT_EQ(target.snapshot.depth, 3);
  EXPECT_EQ(r.log, "Depth 3\n");
}

TEST(ConfigFile, DirectivesAndTheirLogLines) {
  RecordingTarget target;
  target.snapshot.depth = 5;
  target.snapshot.cellSize = 9;
  const Read r = ReadText(
      "Depth -1\nCellSize -4\nCriticalityX a\nShowName\nShowText trailing words\n\n# after an empty line\n"
      "HighInst 256 1 2\n",
      target);
  EXPECT_EQ(target.snapshot.depth, 5);
  EXPECT_EQ(target.snapshot.cellSize, 9);
  EXPECT_TRUE(target.snapshot.showNames);
  EXPECT_TRUE(target.snapshot.showTexts);
  EXPECT_EQ(target.snapshot.instanceHighlight, (ConfigColour{0, 1, 2}));
  EXPECT_TRUE(r.outcome.redraw);
  EXPECT_FALSE(r.outcome.layersChanged);
  EXPECT_EQ(r.log,
            "Depth -1\nCellSize -4\nUnknown Key: CriticalityX, skip\nShowName\nShowText\n"
            "Unknown Key: #, skip\nHighInst 256 1 2\n");

  RecordingTarget unknownOnly;
  const Read none = ReadText("Nothing here\nLayer 1 0 1\n", unknownOnly);
  EXPECT_FALSE(none.outcome.redraw);
  EXPECT_FALSE(none.outcome.layersChanged);
}

TEST(ConfigFile, BadNumberStopsAndKeepsEarlierDirectives) {
  RecordingTarget target;
  ReadText("Depth 4\nCellSize 12x\nShowGrid\n", target);
  EXPECT_EQ(target.snapshot.depth, 4);
  EXPECT_EQ(target.snapshot.cellSize, 12);
  // "x" is then read as a keyword; a number that cannot be read at all ends the reading.
  RecordingTarget stopped;
  stopped.AddLayer(MakeLayerKey(1, 0), 0, kBrushSolid);
  ReadText("Depth 4\nLayer 1 0 1 3 10 20 zz\nShowGrid\nDepth 99999999999\nShowName\n", stopped);
  EXPECT_EQ(stopped.snapshot.depth, 4);
  EXPECT_EQ(stopped.snapshot.layers[MakeLayerKey(1, 0)].brushStyle, uint32_t(kBrushSolid));
  EXPECT_FALSE(stopped.snapshot.showGrids);
}

TEST(ConfigFile, LongLinesCrLfAndPathsWithBlanks) {
  const std::string lf = "# " + std::string(10000, 'x') + "\nDepth 2 " + std::string(300, 'y') +
                         "\nLayerMap /maps/my layers.map\nBindkey\nChangeColor Ctrl B\nEnd\nShowGrid\n";
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  RecordingTarget fromLf, fromCrLf;
  const Read a = ReadText(lf, fromLf);
  const Read b = ReadText(crlf, fromCrLf);
  EXPECT_EQ(fromLf.snapshot.depth, 2);
  EXPECT_TRUE(fromLf.snapshot.showGrids);
  EXPECT_EQ(fromLf.calls, (std::vector<std::string>{"layermap /maps/my layers.map"}));
  ASSERT_EQ(fromLf.bindings.size(), 1u);
  EXPECT_EQ(ConfigWriter(fromCrLf.snapshot), ConfigWriter(fromLf.snapshot));
  EXPECT_EQ(fromCrLf.calls, fromLf.calls);
  EXPECT_EQ(fromCrLf.bindings, fromLf.bindings);
  EXPECT_EQ(b.log, a.log);
  // A first word that names a file is the whole path, whatever follows.
  RecordingTarget existing;
  existing.existing.insert("/maps/a.map");
  ReadText("LayerMap /maps/a.map  # the process map\n", existing);
  EXPECT_EQ(existing.calls, (std::vector<std::string>{"layermap /maps/a.map"}));
}

TEST(ConfigFile, SaveReplacesTheFileOnlyWhenWritten) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "korvane_config_save_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "view.cfg").string();
  ASSERT_TRUE(SaveConfigFile(path, "Depth 1\n"));
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Depth 1\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  EXPECT_FALSE(SaveConfigFile((dir / "missing" / "view.cfg").string(), "Depth 1\n"));
  // The temporary file cannot be written: the old file stays as it was.
  std::filesystem::create_directories(path + ".tmp");
  EXPECT_FALSE(SaveConfigFile(path, "Depth 2\n"));
  std::ifstream again(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "Depth 1\n");
  std::filesystem::remove_all(dir);
}

TEST(ConfigFile, EveryPrefixOfASavedFileReadsWithoutHarm) {
  ConfigSnapshot saved;
  saved.criticalityPath = "/a b/c.txt";
  saved.depth = 12;
  saved.showNames = true;
  saved.background = {9, 8, 7};
  saved.layers[MakeLayerKey(1, 0)].colour = 0x80010203;
  saved.layers[MakeLayerKey(2, 7)].brushStyle = kBrushVerticalHatch;
  const std::string file = ConfigWriter(saved) + "Bindkey\nChangeColor Ctrl B\nEnd\n";
  for (size_t n = 0; n <= file.size(); ++n) {
    RecordingTarget target;
    target.AddLayer(MakeLayerKey(1, 0), 0, 0);
    target.AddLayer(MakeLayerKey(2, 7), 0, 0);
    ReadText(file.substr(0, n), target);
    EXPECT_EQ(target.snapshot.layers.size(), 2u) << n;
    EXPECT_LE(target.bindings.size(), 1u) << n;
  }
}

}  // namespace
