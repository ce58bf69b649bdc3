#include "app/layer_lists.h"

#include <wx/brush.h>
#include <wx/msgdlg.h>

#include "app/core/command_table.h"
#include "app/core/layer_rows.h"
#include "app/my_child.h"
#include "app/prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

namespace {

// The layer rows keep the toolkit's brush style numbers without including the toolkit.
constexpr bool SameStyle(BrushStyleNumber ours, wxBrushStyle theirs) { return uint32_t(ours) == uint32_t(theirs); }
static_assert(SameStyle(kBrushSolid, wxBRUSHSTYLE_SOLID) && SameStyle(kBrushTransparent, wxBRUSHSTYLE_TRANSPARENT) &&
              SameStyle(kBrushStipple, wxBRUSHSTYLE_STIPPLE) &&
              SameStyle(kBrushBDiagonalHatch, wxBRUSHSTYLE_BDIAGONAL_HATCH) &&
              SameStyle(kBrushCrossDiagHatch, wxBRUSHSTYLE_CROSSDIAG_HATCH) &&
              SameStyle(kBrushFDiagonalHatch, wxBRUSHSTYLE_FDIAGONAL_HATCH) &&
              SameStyle(kBrushCrossHatch, wxBRUSHSTYLE_CROSS_HATCH) &&
              SameStyle(kBrushHorizontalHatch, wxBRUSHSTYLE_HORIZONTAL_HATCH) &&
              SameStyle(kBrushVerticalHatch, wxBRUSHSTYLE_VERTICAL_HATCH));

std::map<LayerKey, LayerInfo>* LayerTable(MyChild* child) {
  Library* library = child->Session().GetLibrary();
  return library ? &library->layerMap : nullptr;
}

LayerInfo* RowLayer(MyChild* child, long row) {
  std::map<LayerKey, LayerInfo>* layers = LayerTable(child);
  if (!layers || row < 0 || row >= long(layers->size())) return nullptr;
  return &std::next(layers->begin(), row)->second;
}

// The shown flag of the view's criticality map while its row is listed, else null.
bool* CriticalityShown(MyChild* child) {
  CriticalityData& criticality = child->Session().Overlays().criticality;
  return criticality.criticalityBoxes.empty() ? nullptr : &criticality.criticalityShown;
}

// The layer table changed: every view on the library lists and draws it anew.
void LayersEdited(MyChild* child) { child->Session().GetDocument()->Edited(kLayersChanged); }

}  // namespace

CSCtrl::CSCtrl(MyChild* child, wxWindow* panel, const wxPoint& pos, const wxSize& size)
    : wxListCtrl(panel, kCmdStyleList, pos, size, wxLC_REPORT, wxDefaultValidator, "listCtrl"), child_(child) {
  InsertColumn(0, " ", wxLIST_FORMAT_LEFT, size.x);
  Bind(wxEVT_LIST_COL_CLICK, &CSCtrl::OnColumnClick, this);
  Bind(wxEVT_LIST_COL_RIGHT_CLICK, &CSCtrl::OnColumnRightClick, this);
  Bind(wxEVT_LIST_ITEM_ACTIVATED, &CSCtrl::OnActivated, this);
  Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &CSCtrl::OnRightClick, this);
}

void CSCtrl::OnColumnClick(wxListEvent&) {
  wxCommandEvent command(wxEVT_MENU, kCmdChangeColor);
  Child()->GetEventHandler()->ProcessEvent(command);
}

void CSCtrl::OnColumnRightClick(wxListEvent&) { Child()->RefreshLayerList(); }

void CSCtrl::OnActivated(wxListEvent& event) {
  LayerInfo* layer = RowLayer(Child(), event.GetIndex());
  if (!layer) return;
  const ColourBytes bytes = BytesOfColourWord(layer->colour);
  wxColour colour(bytes.red, bytes.green, bytes.blue);
  if (!ThePrompts().ChooseColour(this, colour)) return;
  layer->colour = (layer->colour & kLayerHidden) | ColourWordOf(colour.Red(), colour.Green(), colour.Blue());
  LayersEdited(Child());
}

void CSCtrl::OnRightClick(wxListEvent& event) {
  LayerInfo* layer = RowLayer(Child(), event.GetIndex());
  CriticalityData& criticality = Child()->Session().Overlays().criticality;
  const bool criticalityRow = !layer && CriticalityShown(Child()) && LayerTable(Child()) &&
                              event.GetIndex() == long(LayerTable(Child())->size());
  if (!layer && !criticalityRow) return;
  uint32_t& style = layer ? layer->brushStyle : criticality.criticalityBrushStyle;
  const int current = BrushStyleToFillCode(style);
  const int chosen = ThePrompts().ChooseStyle(this, current);
  if (chosen < 0 || chosen == current) return;
  style = FillCodeToBrushStyle(chosen);
  LayersEdited(Child());
}

LayerCtrl::LayerCtrl(MyChild* child, wxWindow* panel, const wxPoint& pos, const wxSize& size)
    : wxListCtrl(panel, kCmdLayerList, pos, size, wxLC_REPORT, wxDefaultValidator, "listCtrl"), child_(child) {
  InsertColumn(0, "Layer", wxLIST_FORMAT_LEFT, 39);
  InsertColumn(1, "Datatype", wxLIST_FORMAT_LEFT, 57);
  // At least wide enough for the headers at the toolkit's font.
  for (int column = 0; column < 2; ++column) {
    const int given = GetColumnWidth(column);
    SetColumnWidth(column, wxLIST_AUTOSIZE_USEHEADER);
    if (GetColumnWidth(column) < given) SetColumnWidth(column, given);
  }
  Bind(wxEVT_LIST_COL_CLICK, &LayerCtrl::OnColumnClick, this);
  Bind(wxEVT_LIST_COL_RIGHT_CLICK, &LayerCtrl::OnColumnRightClick, this);
  Bind(wxEVT_LIST_ITEM_ACTIVATED, &LayerCtrl::OnActivated, this);
  Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, &LayerCtrl::OnRightClick, this);
}

int LayerCtrl::HeadersWidth() const { return GetColumnWidth(0) + GetColumnWidth(1) + GetSize().x - GetClientSize().x; }

std::vector<int> LayerCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (long item = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
       item = GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED)) {
    rows.push_back(int(item));
  }
  return rows;
}

void LayerCtrl::OnColumnClick(wxListEvent&) {
  std::map<LayerKey, LayerInfo>* layers = LayerTable(Child());
  if (!layers) return;
  ShowExactly(*layers, SelectedRows(), CriticalityShown(Child()));
  LayersEdited(Child());
}

void LayerCtrl::OnColumnRightClick(wxListEvent&) {
  MyChild* child = Child();
  std::map<LayerKey, LayerInfo>* layers = LayerTable(child);
  if (!layers) return;
  const wxString answer = ThePrompts().GetText("Enter 2 numbers for (layer datatype)", "Create new layer", "");
  if (answer.empty()) return;
  std::string refusal;
  const std::optional<LayerKey> key = ParseNewLayer(std::string(answer.utf8_str()), refusal);
  if (!key) {
    if (!refusal.empty()) ThePrompts().MessageBox(this, wxString::FromUTF8(refusal), "Wrong Input", wxOK);
    return;
  }
  if (!AddLayer(*layers, *key)) return;
  child->Session().GetLibrary()->NoteInfoChanged();
  LayersEdited(child);
}

void LayerCtrl::OnActivated(wxListEvent& event) {
  std::map<LayerKey, LayerInfo>* layers = LayerTable(Child());
  if (!layers) return;
  ToggleOne(*layers, int(event.GetIndex()), CriticalityShown(Child()));
  LayersEdited(Child());
}

void LayerCtrl::OnRightClick(wxListEvent&) {
  std::map<LayerKey, LayerInfo>* layers = LayerTable(Child());
  const std::vector<int> rows = SelectedRows();
  if (!layers || rows.empty()) return;
  ToggleGroup(*layers, rows, CriticalityShown(Child()));
  LayersEdited(Child());
}
