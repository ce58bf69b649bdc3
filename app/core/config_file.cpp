#include "app/core/config_file.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <limits>

#include "app/core/command_ids.h"
#include "app/core/command_table.h"
#include "app/core/keybind.h"
#include "app/core/layer_rows.h"
#include "db/error.h"
#include "db/staged_output.h"

namespace {

struct BindingName {
  const char* name;
  int id;
};

// clang-format off
constexpr BindingName kBindingNames[] = {
    {"ChangeDepth", kCmdChangeDepth},         {"ChangeCellSize", kCmdChangeCellSize},
    {"ShowTreePanel", kCmdShowTreePanel},     {"OpenCell", kCmdOpenCell},
    {"OpenRootCell", kCmdOpenRootCell},       {"ShowDBUnit", kCmdShowDbUnit},
    {"InstanceInfo", kCmdInstanceInfo},       {"InspectLayer", kCmdInspectLayer},
    {"InspectNext", kCmdInspectNext},         {"Goto", kCmdGoTo},
    {"ShowOutlines", kCmdShowOutlines},       {"ShowGrids", kCmdShowGrids},
    {"ShowNames", kCmdShowNames},             {"ShowTexts", kCmdShowTexts},
    {"Angle/Grid", kCmdAngleGrid},            {"RemoveRulers", kCmdRemoveRulers},
    {"RecoverRulers", kCmdRecoverRulers},     {"ChangeColor", kCmdChangeColor},
    {"Zoomout", kCmdZoomOut},                 {"Zoomout4X", kCmdZoomOut4X},
    {"Zoomin4X", kCmdZoomIn4X},               {"Redraw", kCmdRedraw},
    {"OrderedDraw", kCmdOrderedDraw},         {"AccurateDraw", kCmdAccurateDraw},
    {"OptimizeDB", kCmdOptimizeDb},           {"ClearMemory", kCmdClearMemory},
    {"ChangeTitle", kCmdChangeTitle},         {"Cancel", kCmdCancel},
    {"InsertPolygon", kCmdInsertPolygon},     {"DeletePolygon", kCmdDeletePolygon},
    {"PastePolygon", kCmdPastePolygon},       {"SizingPolygon", kCmdSizingPolygon},
    {"FlipXPolygon", kCmdFlipXPolygon},       {"FlipYPolygon", kCmdFlipYPolygon},
    {"Rotate90Polygon", kCmdRotate90Polygon}, {"SnapPolygon", kCmdSnapPolygon},
    {"MergePolygons", kCmdMergePolygons},     {"SubtractPolygons", kCmdSubtractPolygons},
    {"CreatePath", kCmdCreatePath},           {"CreateCircle", kCmdCreateCircleArc},
    {"InsertText", kCmdInsertText},           {"ReplaceText", kCmdReplaceText},
    {"CreateCell", kCmdCreateCell},           {"IncrementCell", kCmdIncrementCell},
    {"InsertInst", kCmdInsertInst},           {"DeleteInst", kCmdDeleteInst},
    {"ReplaceInst", kCmdReplaceInst},         {"ModifyInst", kCmdModifyInst},
    {"RecalculateCells", kCmdRecalculateCells}, {"ChangeDBUnit", kCmdChangeDbUnit},
    // clang-format on
};

// What follows a directive: the rest of its line is discarded, the line has been read up to
// its end already, or reading stops.
enum class Next { kDiscardLine, kLineRead, kStop };

std::string Format(const char* format, int a, int b, int c) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r'; }

void SkipBlanks(std::istream& in) {
  while (IsBlank(in.peek())) in.get();
}

bool NextIsDigit(std::istream& in) {
  SkipBlanks(in);
  return std::isdigit(in.peek()) != 0;
}

void DiscardLine(std::istream& in) { in.ignore(std::numeric_limits<std::streamsize>::max(), '\n'); }

std::string Trim(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && (IsBlank(text[first]) || text[first] == '\n')) ++first;
  while (last > first && (IsBlank(text[last - 1]) || text[last - 1] == '\n')) --last;
  return text.substr(first, last - first);
}

ConfigColour Masked(int red, int green, int blue) {
  return ConfigColour{uint8_t(red & 0xFF), uint8_t(green & 0xFF), uint8_t(blue & 0xFF)};
}

class Reader {
 public:
  Reader(std::istream& in, ConfigTarget& target, const ConfigLog& log) : in_(in), target_(target), log_(log) {}

  ConfigOutcome Run() {
    while (in_.good()) {
      SkipBlanks(in_);
      if (in_.peek() == '#') {
        DiscardLine(in_);
        continue;
      }
      std::string word;
      if (!(in_ >> word)) break;
      const Next next = Directive(word);
      if (next == Next::kStop) break;
      if (next == Next::kDiscardLine) DiscardLine(in_);
    }
    return outcome_;
  }

 private:
  Next Directive(const std::string& word) {
    if (word == "Criticality" || word == "LayerMap") return PathDirective(word);
    if (word == "Depth" || word == "CellSize") return SizeDirective(word);
    if (word == "ShowGrid") return Display(word, ConfigDisplay::kGrids);
    if (word == "ShowName") return Display(word, ConfigDisplay::kNames);
    if (word == "ShowText") return Display(word, ConfigDisplay::kTexts);
    if (word == "ShowOutline") return Display(word, ConfigDisplay::kOutlines);
    if (word == "Background") return Colour(word, FrameColour::kBackground);
    if (word == "HighInst") return Colour(word, FrameColour::kInstanceHighlight);
    if (word == "HighGeo") return Colour(word, FrameColour::kGeometryHighlight);
    if (word == "Layer") return LayerDirective();
    if (word == "Bindkey") return BindkeyBlock();
    log_("Unknown Key: " + word + ", skip\n");
    return Next::kDiscardLine;
  }

  // A path written with blanks is its whole trimmed line: its first word names no file.
  Next PathDirective(const std::string& keyword) {
    std::string path;
    if (!(in_ >> path)) return Next::kStop;
    Next next = Next::kDiscardLine;
    if (!target_.FileExists(path)) {
      std::string rest;
      std::getline(in_, rest);
      path = Trim(path + rest);
      next = Next::kLineRead;
    }
    log_(keyword + " " + path + "\n");
    if (keyword == "Criticality") {
      target_.ReadCriticality(path);
      outcome_.redraw = true;
    } else {
      target_.ReadLayerMap(path);
      outcome_.layersChanged = true;
    }
    return next;
  }

  Next SizeDirective(const std::string& keyword) {
    int32_t n = 0;
    if (!(in_ >> n)) return Next::kStop;
    log_(keyword + Format(" %d\n", n, 0, 0));
    if (n >= 0) {
      if (keyword == "Depth") {
        target_.SetDepth(n);
      } else {
        target_.SetCellSize(n);
      }
    }
    outcome_.redraw = true;
    return Next::kDiscardLine;
  }

  Next Display(const std::string& keyword, ConfigDisplay display) {
    log_(keyword + "\n");
    target_.ShowDisplay(display);
    outcome_.redraw = true;
    return Next::kDiscardLine;
  }

  Next Colour(const std::string& keyword, FrameColour which) {
    int red = 0, green = 0, blue = 0;
    if (!(in_ >> red >> green >> blue)) return Next::kStop;
    log_(keyword + Format(" %d %d %d\n", red, green, blue));
    target_.SetFrameColour(which, Masked(red, green, blue));
    outcome_.redraw = true;
    return Next::kDiscardLine;
  }

  // layer datatype visible [fill [red green blue]]: the style changes only once the whole
  // directive has been read, and the visibility last, so that a colour never brings a hidden
  // bit of its own.
  Next LayerDirective() {
    int32_t layer = 0, datatype = 0;
    if (!(in_ >> layer >> datatype)) return Next::kStop;
    std::map<LayerKey, LayerInfo>& layers = target_.Layers();
    auto found = layers.end();
    if (layer >= 0 && layer <= 0xFFFF && datatype >= 0 && datatype <= 0xFF) {
      found = layers.find(MakeLayerKey(uint32_t(layer), uint32_t(datatype)));
    }
    if (found == layers.end()) {
      log_(Format("Warning: Layer %d %d not defined\n", layer, datatype, 0));
      DiscardLine(in_);
      return Next::kLineRead;
    }
    int32_t visible = 0;
    if (!(in_ >> visible)) return Next::kStop;
    std::string line = "Layer" + Format(" %d %d %d", layer, datatype, visible);
    LayerInfo style = found->second;
    if (NextIsDigit(in_)) {
      int32_t fill = 0;
      if (!(in_ >> fill)) return Next::kStop;
      line += Format(" %d", fill, 0, 0);
      style.brushStyle = FillCodeToBrushStyle(fill);
      if (NextIsDigit(in_)) {
        int16_t red = 0, green = 0, blue = 0;
        if (!(in_ >> red >> green >> blue)) return Next::kStop;
        line += Format(" %d %d %d\n", red, green, blue);
        const ConfigColour c = Masked(red, green, blue);
        style.colour = ColourWordOf(c.red, c.green, c.blue);
      }
    }
    style.SetHidden(visible == 0);
    found->second = style;
    log_(line + "\n");
    outcome_.redraw = true;
    return Next::kDiscardLine;
  }

  // The next word, past comment lines.
  bool NextWord(std::string& word) {
    while (in_ >> word) {
      if (word[0] != '#') return true;
      DiscardLine(in_);
    }
    return false;
  }

  Next BindkeyBlock() {
    std::string command;
    while (NextWord(command) && command != "End") {
      std::string modifier, key;
      if (!(in_ >> modifier >> key)) return Next::kStop;
      const uint16_t binding = MakeKeyBinding(ParseKeyModifier(modifier), ParseKeyName(key));
      const int id = BindingCommandId(command);
      if (id >= 0) target_.BindKey(id, binding, MakeAcceleratorLabel(BindingLabel(id), binding));
    }
    return in_ ? Next::kDiscardLine : Next::kStop;
  }

  std::istream& in_;
  ConfigTarget& target_;
  const ConfigLog& log_;
  ConfigOutcome outcome_;
};

void AppendColour(std::string& text, const char* keyword, const ConfigColour& colour, const ConfigColour& standard) {
  if (colour == standard) return;
  text += keyword + Format(" %d %d %d\n", colour.red, colour.green, colour.blue);
}

}  // namespace

int BindingCommandId(const std::string& name) {
  for (const BindingName& b : kBindingNames) {
    if (name == b.name) return b.id;
  }
  return -1;
}

std::string BindingLabel(int id) {
  switch (id) {
    case kCmdInstanceInfo: return "&Instance Info";
    case kCmdChangeColor: return "ChangeColor";
    case kCmdRotate90Polygon: return "Rotate &90 Polygon";
    case kCmdMergePolygons: return "Merge Polygons";
    default: break;
  }
  const Command* command = FindCommand(MenuId::kView, id);
  if (!command) command = FindCommand(MenuId::kEdit, id);
  return command ? command->label : "";
}

ConfigOutcome ConfigReader(std::istream& in, ConfigTarget& target, const ConfigLog& log) {
  return Reader(in, target, log).Run();
}

std::string ConfigWriter(const ConfigSnapshot& s) {
  std::string text;
  if (!s.criticalityPath.empty()) text += "Criticality " + s.criticalityPath + "\n";
  if (!s.layerMapPath.empty()) text += "LayerMap " + s.layerMapPath + "\n";
  text += Format("Depth %d\nCellSize %d\n", s.depth, s.cellSize, 0);
  if (s.showGrids) text += "ShowGrid\n";
  if (s.showNames) text += "ShowName\n";
  if (s.showTexts) text += "ShowText\n";
  if (s.showOutlines) text += "ShowOutline\n";
  AppendColour(text, "Background", s.background, kDefaultBackground);
  AppendColour(text, "HighInst", s.instanceHighlight, kDefaultInstanceHighlight);
  AppendColour(text, "HighGeo", s.geometryHighlight, kDefaultGeometryHighlight);
  for (const auto& [key, info] : s.layers) {
    text += Format("Layer %d %d ", int(key >> 8), int(key & 0xFF), 0);
    text += info.IsHidden() ? "0 " : "1 ";
    text += Format("%d ", BrushStyleToFillCode(info.brushStyle), 0, 0);
    const ColourBytes bytes = BytesOfColourWord(info.colour);
    text += Format("%d %d %d\n", int(bytes.red), int(bytes.green), int(bytes.blue));
  }
  return text;
}

bool SaveConfigFile(const std::string& path, const std::string& text) {
  StagedOutput output;
  {
    std::ofstream out(output.Begin(path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    if (out.fail()) return false;
  }
  try {
    output.Commit(kTagSystem);
  } catch (const Error&) {
    return false;
  }
  return true;
}
