#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <string>

#include "db/library.h"

// Configuration files (".cfg"): the view settings of a child window and the styles of its
// layers, one directive per line, a keyword and its arguments separated by blanks or tabs. A
// line whose first non-blank character is '#' is a comment. Lines may end in CR LF and be of
// any length. Key bindings may be read from a "Bindkey" block but are never written.

// The three colours of the main frame, which every window shows.
enum class FrameColour { kBackground, kInstanceHighlight, kGeometryHighlight };
// The displays that a file can turn on (never off).
enum class ConfigDisplay { kGrids, kNames, kTexts, kOutlines };

struct ConfigColour {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const ConfigColour& o) const { return red == o.red && green == o.green && blue == o.blue; }
  bool operator!=(const ConfigColour& o) const { return !(*this == o); }
};

constexpr ConfigColour kDefaultBackground{200, 200, 200};
constexpr ConfigColour kDefaultInstanceHighlight{255, 255, 0};
constexpr ConfigColour kDefaultGeometryHighlight{255, 255, 255};

// What a configuration file is read into: the child window, its canvas, its library's layer
// table and the main frame.
class ConfigTarget {
 public:
  virtual ~ConfigTarget() = default;
  // Store the path as the window's criticality (layer-map) path and read that file.
  virtual void ReadCriticality(const std::string& path) = 0;
  virtual void ReadLayerMap(const std::string& path) = 0;
  // True when path names an existing file (a path with blanks is told apart by it).
  virtual bool FileExists(const std::string& path) = 0;
  virtual void SetDepth(int32_t depth) = 0;
  // Both the cell-size limit and the user's limit that the full view restores.
  virtual void SetCellSize(int32_t size) = 0;
  // Turn the display on and check its View menu item.
  virtual void ShowDisplay(ConfigDisplay display) = 0;
  virtual void SetFrameColour(FrameColour which, const ConfigColour& colour) = 0;
  // The library's layer table, which Layer directives restyle (never extend).
  virtual std::map<LayerKey, LayerInfo>& Layers() = 0;
  // Store binding for command id and give this window's menu item the label (with its
  // accelerator after a tab).
  virtual void BindKey(int id, uint16_t binding, const std::string& label) = 0;
};

// Where the reader's log lines go (the application's log).
using ConfigLog = std::function<void(const std::string&)>;

struct ConfigOutcome {
  // The view must be redrawn; the layer lists must be refilled.
  bool redraw = false;
  bool layersChanged = false;
};

// Reads the directives of in into target, logging each. Keywords (case-sensitive, whole
// words): Criticality and LayerMap (a path: its first word, or, when that names no existing
// file, the trimmed rest of the line), Depth and CellSize (a number; a negative one is ignored),
// ShowGrid, ShowName, ShowText, ShowOutline, Background, HighInst and HighGeo (red, green,
// blue, each cut to 8 bits), Layer (layer datatype visible [fill [red green blue]]) and
// Bindkey (lines "command modifier key" up to a line "End" or the end of the file). A Layer of
// a key that the table does not hold, or of numbers outside their ranges, is warned about and
// skipped; an unknown keyword is logged and its line skipped. A number that cannot be read ends
// the reading; the directive it stood in is not applied, those before it stay.
ConfigOutcome ConfigReader(std::istream& in, ConfigTarget& target, const ConfigLog& log);

// What Save Config writes: the window's settings, the frame's colours and the layer table.
struct ConfigSnapshot {
  std::string criticalityPath;
  std::string layerMapPath;
  int32_t depth = 0;
  int32_t cellSize = 0;
  bool showGrids = false;
  bool showNames = false;
  bool showTexts = false;
  bool showOutlines = false;
  ConfigColour background = kDefaultBackground;
  ConfigColour instanceHighlight = kDefaultInstanceHighlight;
  ConfigColour geometryHighlight = kDefaultGeometryHighlight;
  std::map<LayerKey, LayerInfo> layers;
};

// The file text: the paths that are set, Depth, CellSize, the displays that are on, the
// colours that differ from their defaults, then every layer in key order as
// "Layer L D visible fill red green blue". Lines end in "\n".
std::string ConfigWriter(const ConfigSnapshot& snapshot);

// Writes text to path through "<path>.tmp", checked after closing and put in place only when
// complete and on the disk (StagedOutput), so that a failed write leaves any old file as it
// was. False on failure.
bool SaveConfigFile(const std::string& path, const std::string& text);

// The command id of a Bindkey command name ("ChangeColor" 17), -1 for an unknown name.
int BindingCommandId(const std::string& name);
// The menu label that a Bindkey block gives command id, before its accelerator.
std::string BindingLabel(int id);
