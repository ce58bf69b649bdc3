// The child window's extraction and angle/grid commands: the dialogs' values applied to the
// view.
#include <wx/msgdlg.h>

#include "app/core/extract_choice.h"
#include "app/my_child.h"
#include "app/prompts.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

void MyChild::OnAngleGrid(int) {
  DisplaySettings settings = Session().Settings();
  const Library* library = Session().GetLibrary();
  const double nmPerUnit = library && library->unitsPerNm > 0 ? 1.0 / library->unitsPerNm : settings.nmPerUnit;
  int angleType = settings.angleType;
  std::string gridText;
  if (!ThePrompts().AskAngleGrid(this, nmPerUnit, angleType, settings.snapGrid, gridText)) return;
  // The angle chosen applies even when the grid is refused.
  settings.angleType = angleType;
  const std::optional<int32_t> grid = ParseGrid(gridText);
  if (grid) settings.snapGrid = *grid;
  Session().ApplySettings(settings);
  if (!grid) ThePrompts().MessageBox(this, kGridRefusal, kGridRefusalCaption, wxOK);
}

void MyChild::OnExtract(int) {
  ViewSession& session = Session();
  if (!session.TopCell()) return;
  ExtractRequest request;
  if (!ThePrompts().AskExtraction(this, request) || request.fileName.empty()) return;
  const std::string path = CompleteExtractPath(request.fileName, request.type);
  MakeOutputDirectory(path);
  const Library& library = *session.GetLibrary();
  const bool firstRoot = !library.roots.empty() && int64_t(library.roots.front()) == session.TopCellId();
  switch (ChooseExtraction(request, firstRoot)) {
    case Extraction::kFlat:
      session.ExtractFlat(path, request.type, request.layersVisible, request.areaLastZoomed);
      break;
    case Extraction::kLibraryGds: session.WriteGDS(path, request.layersVisible); break;
    case Extraction::kLibraryOasis: session.WriteOASIS(path, request.layersVisible); break;
    case Extraction::kHierarchical:
      session.ExtractHierarchical(path, request.type, request.layersVisible, request.areaLastZoomed);
      break;
  }
}
