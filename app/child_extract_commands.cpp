// The child window's extraction and angle/grid commands: the dialogs' values applied to the
// canvas.
#include <wx/msgdlg.h>

#include "app/core/extract_choice.h"
#include "app/my_child.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "db/library.h"

void MyChild::OnAngleGrid(wxCommandEvent&) {
  if (!canvas) return;
  DisplaySettings settings = canvas->Settings();
  const std::shared_ptr<Library>& library = canvas->GetLibrary();
  const double nmPerUnit = library && library->unitsPerNm > 0 ? 1.0 / library->unitsPerNm : settings.nmPerUnit;
  int angleType = settings.angleType;
  std::string gridText;
  if (!ThePrompts().AskAngleGrid(this, nmPerUnit, angleType, settings.snapGrid, gridText)) return;
  // The angle chosen applies even when the grid is refused.
  settings.angleType = angleType;
  const std::optional<int32_t> grid = ParseGrid(gridText);
  if (grid) settings.snapGrid = *grid;
  canvas->ApplySettings(settings);
  if (!grid) ThePrompts().MessageBox(this, kGridRefusal, kGridRefusalCaption, wxOK);
}

void MyChild::OnExtract(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary() || !canvas->TopCell()) return;
  ExtractRequest request;
  if (!ThePrompts().AskExtraction(this, request) || request.fileName.empty()) return;
  const std::string path = CompleteExtractPath(request.fileName, request.type);
  MakeOutputDirectory(path);
  const Library& library = *canvas->GetLibrary();
  const bool firstRoot = !library.roots.empty() && int64_t(library.roots.front()) == canvas->TopCellId();
  switch (ChooseExtraction(request, firstRoot)) {
    case Extraction::kFlat:
      canvas->ExtractFlat(path, request.type, request.layersVisible, request.areaLastZoomed);
      break;
    case Extraction::kLibraryGds:
      canvas->WriteGDS(path, request.layersVisible);
      break;
    case Extraction::kLibraryOasis:
      canvas->WriteOASIS(path, request.layersVisible);
      break;
    case Extraction::kHierarchical:
      canvas->ExtractHierarchical(path, request.type, request.layersVisible, request.areaLastZoomed);
      break;
  }
}
