// The child window's commands that bring a library's layer names and configuration files into
// its view.
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include <fstream>

#include "app/app_context.h"
#include "app/core/command_ids.h"
#include "app/core/config_file.h"
#include "app/core/image_path.h"
#include "app/core/layer_map.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "db/library.h"
#include "db/log.h"

namespace {

constexpr const char* kConfigWildcard = "Config Files(*.cfg)|*.cfg|All files(*.*)|*.*";

int DisplayCommand(ConfigDisplay display) {
  switch (display) {
    case ConfigDisplay::kGrids: return kCmdShowGrids;
    case ConfigDisplay::kNames: return kCmdShowNames;
    case ConfigDisplay::kTexts: return kCmdShowTexts;
    case ConfigDisplay::kOutlines: break;
  }
  return kCmdShowOutlines;
}

ViewColourItem ViewColourOf(FrameColour which) {
  switch (which) {
    case FrameColour::kBackground: return ViewColourItem::kBackground;
    case FrameColour::kInstanceHighlight: return ViewColourItem::kInstanceHighlight;
    case FrameColour::kGeometryHighlight: break;
  }
  return ViewColourItem::kGeometryHighlight;
}

ConfigColour ToConfigColour(const wxColour& c) { return ConfigColour{c.Red(), c.Green(), c.Blue()}; }

// A configuration file read into one child window: its view's settings, its library's layer
// table, its menu bar's labels, and the frame's colours and key bindings.
class ChildConfigTarget : public ConfigTarget {
 public:
  ChildConfigTarget(MyChild& child, MyFrame& frame) : child_(child), frame_(frame) {}

  void ReadCriticality(const std::string& path) override {
    Change([&path](DisplaySettings& s) { s.criticalityPath = path; });
    child_.Session().ReadCriticality(path);
  }
  void ReadLayerMap(const std::string& path) override {
    Change([&path](DisplaySettings& s) { s.layerMapPath = path; });
    child_.ReadLayerMap(path);
  }
  bool FileExists(const std::string& path) override { return wxFileName::FileExists(wxString::FromUTF8(path)); }
  void SetDepth(int32_t depth) override {
    Change([depth](DisplaySettings& s) { s.depth = depth; });
  }
  void SetCellSize(int32_t size) override {
    Change([size](DisplaySettings& s) { s.cellSizeLimit = s.userCellSizeLimit = size; });
  }
  void ShowDisplay(ConfigDisplay display) override {
    Change([display](DisplaySettings& s) {
      uint8_t& flag = display == ConfigDisplay::kGrids   ? s.showGrids
                      : display == ConfigDisplay::kNames ? s.showNames
                      : display == ConfigDisplay::kTexts ? s.showTexts
                                                         : s.showOutlines;
      flag = 1;
    });
    if (wxMenuBar* bar = child_.GetMenuBar()) bar->Check(DisplayCommand(display), true);
  }
  void SetFrameColour(FrameColour which, const ConfigColour& c) override {
    frame_.SetViewColour(ViewColourOf(which), wxColour(c.red, c.green, c.blue));
  }
  std::map<LayerKey, LayerInfo>& Layers() override {
    layersTouched_ = true;
    return child_.Session().GetLibrary()->layerMap;
  }
  void BindKey(int id, uint16_t binding, const std::string& label) override {
    frame_.SetKeyBinding(id, binding);
    wxMenuBar* bar = child_.GetMenuBar();
    if (bar && bar->FindItem(id)) bar->SetLabel(id, wxString::FromUTF8(label));
  }

  // True once a line of the file has changed the library's layer table.
  bool LayersTouched() const { return layersTouched_; }

 private:
  template <typename Edit>
  void Change(Edit edit) {
    DisplaySettings settings = child_.Session().Settings();
    edit(settings);
    child_.Session().ApplySettings(settings);
  }

  MyChild& child_;
  MyFrame& frame_;
  bool layersTouched_ = false;
};

ConfigSnapshot SnapshotOf(const ViewSession& session, const MyFrame& frame) {
  const DisplaySettings& s = session.Settings();
  ConfigSnapshot snapshot;
  snapshot.criticalityPath = s.criticalityPath;
  snapshot.layerMapPath = s.layerMapPath;
  snapshot.depth = s.depth;
  snapshot.cellSize = s.cellSizeLimit;
  snapshot.showGrids = s.showGrids != 0;
  snapshot.showNames = s.showNames != 0;
  snapshot.showTexts = s.showTexts != 0;
  snapshot.showOutlines = s.showOutlines != 0;
  snapshot.background = ToConfigColour(frame.ViewColour(ViewColourItem::kBackground));
  snapshot.instanceHighlight = ToConfigColour(frame.ViewColour(ViewColourItem::kInstanceHighlight));
  snapshot.geometryHighlight = ToConfigColour(frame.ViewColour(ViewColourItem::kGeometryHighlight));
  snapshot.layers = session.GetLibrary()->layerMap;
  return snapshot;
}

}  // namespace

void MyChild::ReadLayerMap(const std::string& path) {
  LogMessage("Reading layer map %s\n", path.c_str());
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ThePrompts().MessageBox(this, "LayerMap file can not be open", "Help", wxOK | wxCENTRE);
    return;
  }
  if (Library* library = Session().GetLibrary()) ::ReadLayerMap(in, library->layerMap);
}

void MyChild::OnReadLayerMap(int) {
  const std::string path =
      ThePrompts().AskFileToOpen("Read Layer Mapping file", "Map Files(*.map)|*.map|All files(*.*)|*.*");
  if (path.empty()) return;
  ReadLayerMap(path);
  // The names are the library's: every list on it shows them.
  if (Document* document = Session().GetDocument()) document->Edited(kLayersChanged);
}

void MyChild::LoadConfig(const std::string& path) {
  if (!Session().GetLibrary()) return;
  LogMessage("\nReading config file %s\n", path.c_str());
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ThePrompts().MessageBox(this, "The file can not be open", "Help", wxOK | wxCENTRE);
    return;
  }
  ChildConfigTarget target(*this, *frame_);
  const ConfigOutcome outcome =
      ConfigReader(in, target, [](const std::string& line) { LogMessage("%s", line.c_str()); });
  LogMessage("\n");
  // Layer styles and names are the library's: every view on it follows them.
  if (target.LayersTouched() || outcome.layersChanged) Session().GetDocument()->Edited(kLayersChanged);
  if (outcome.redraw) {
    RefreshLayerList();
    Redraw();
  }
}

void MyChild::OnLoadConfig(int) {
  const std::string path = ThePrompts().AskFileToOpen("Read Config file", kConfigWildcard);
  if (!path.empty()) LoadConfig(path);
}

void MyChild::OnSaveConfig(int) {
  if (!Session().GetLibrary()) return;
  const std::string chosen = ThePrompts().AskFileToSave("Save configuration", kConfigWildcard, "");
  if (chosen.empty()) return;
  const std::string path = CompleteImagePath(chosen, "cfg");
  LogMessage("\nWriting config file %s\n", path.c_str());
  if (!SaveConfigFile(path, ConfigWriter(SnapshotOf(Session(), *frame_)))) {
    ThePrompts().MessageBox(this, "File can not be written", "Help", wxOK | wxCENTRE);
  }
}
