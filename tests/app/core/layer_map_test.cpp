#include "app/core/layer_map.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::map<LayerKey, LayerInfo> Layers(const std::vector<LayerKey>& keys) {
  std::map<LayerKey, LayerInfo> layers;
  for (LayerKey key : keys) layers[key].key = key;
  return layers;
}

std::pair<std::string, std::string> Names(const std::map<LayerKey, LayerInfo>& layers, LayerKey key) {
  const LayerInfo& info = layers.at(key);
  return {info.layerName, info.datatypeName};
}

using Pair = std::pair<std::string, std::string>;

TEST(LayerMap, NamesOnlyExistingKeysAndLaterLinesWin) {
  auto layers = Layers({MakeLayerKey(16, 0), MakeLayerKey(17, 3)});
  std::istringstream in(
      "# process layers\n"
      "\n"
      "M1 drawing 16 0\n"
      "   # indented comment\n"
      "M9 drawing 99 0\n"
      "V1 via 17 3 anything after the fields\n"
      "M1x drawn 16 0\n");
  EXPECT_EQ(ReadLayerMap(in, layers), 3);
  EXPECT_EQ(layers.size(), 2u);
  EXPECT_EQ(Names(layers, MakeLayerKey(16, 0)), Pair("M1x", "drawn"));
  EXPECT_EQ(Names(layers, MakeLayerKey(17, 3)), Pair("V1", "via"));
}

TEST(LayerMap, CrLfLongLinesAndOutOfRangeNumbers) {
  auto layers = Layers({MakeLayerKey(1, 0), MakeLayerKey(2, 0), MakeLayerKey(1, 1), MakeLayerKey(3, 0)});
  const std::string longComment = "#" + std::string(10000, 'c');
  const std::string longTail = std::string(5000, 't');
  std::istringstream in("A a 1 0\r\n" + longComment + "\r\n" + "B b 2 0 " + longTail + "\r\n" +
                        "X x 1 256\r\nY y -1 0\r\nZ z 65536 0\r\n" + "C c 3 0\r\n");
  ReadLayerMap(in, layers);
  EXPECT_EQ(Names(layers, MakeLayerKey(1, 0)), Pair("A", "a"));
  EXPECT_EQ(Names(layers, MakeLayerKey(2, 0)), Pair("B", "b"));
  // 1/256 is not an alias of 2/0 nor 1/1; the lines after out-of-range numbers still count.
  EXPECT_EQ(Names(layers, MakeLayerKey(1, 1)), Pair("", ""));
  EXPECT_EQ(Names(layers, MakeLayerKey(3, 0)), Pair("C", "c"));
}

TEST(LayerMap, ShortLineEndsTheReading) {
  auto layers = Layers({MakeLayerKey(1, 0), MakeLayerKey(2, 0), MakeLayerKey(3, 0)});
  // "B b" lacks its numbers: "C" of the next line fails as one, and reading ends.
  std::istringstream in("A a 1 0\nB b\nC c 3 0\n");
  ReadLayerMap(in, layers);
  EXPECT_EQ(Names(layers, MakeLayerKey(1, 0)), Pair("A", "a"));
  EXPECT_EQ(Names(layers, MakeLayerKey(3, 0)), Pair("", ""));
}

TEST(LayerMap, NamesThatAreNotUtf8AreReadAsLatin1) {
  auto layers = Layers({MakeLayerKey(1, 0), MakeLayerKey(2, 0)});
  std::istringstream in("M\xE9tal d\xFC 1 0\nM\xC3\xA9tal ok 2 0\n");
  ReadLayerMap(in, layers);
  EXPECT_EQ(Names(layers, MakeLayerKey(1, 0)), Pair("M\xC3\xA9tal", "d\xC3\xBC"));
  EXPECT_EQ(Names(layers, MakeLayerKey(2, 0)), Pair("M\xC3\xA9tal", "ok"));
  // Overlong forms and surrogates are not UTF-8 either.
  EXPECT_EQ(Utf8OrLatin1("\xC0\xAF"), "\xC3\x80\xC2\xAF");
  EXPECT_EQ(Utf8OrLatin1("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");
}

TEST(LayerMap, EveryPrefixOfAFileNamesOnlyWhatItHolds) {
  const std::string file = "# map\r\nM1 drawing 1 0\r\nV1 via 2 0 tail\r\n";
  for (size_t n = 0; n <= file.size(); ++n) {
    auto layers = Layers({MakeLayerKey(1, 0), MakeLayerKey(2, 0)});
    std::istringstream in(file.substr(0, n));
    EXPECT_LE(ReadLayerMap(in, layers), 2) << n;
    EXPECT_EQ(layers.size(), 2u);
  }
}

}  // namespace
