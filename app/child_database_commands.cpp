// The child window's commands that restructure the library on disk.
#include <wx/utils.h>

#include "app/app_context.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "canvas/cell_images.h"
#include "canvas/view/edit_state.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/optimize_library.h"

void MyChild::OnOptimizeDb(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  const std::shared_ptr<Library> library = canvas->GetLibrary();
  SetMainStatus("Optimization started...");
  LogMessage("\n%sOptimize DB\n", LogTimeStamp().c_str());
  {
    wxBusyCursor busy;
    try {
      // Tiling releases the contents of large cells: no window on the library may keep a
      // selection, pick path or selected instance that points into them.
      const std::vector<MyCanvas*> canvases = MyCanvas::CanvasesShowing(library.get());
      for (MyCanvas* shown : canvases) shown->ClearSelection();
      const OptimizeResult result = OptimizeLibrary(*library);
      if (result.tiles > 0) {
        // Large cells lost their shapes to the tiles: every window on the library draws anew.
        library->MoveEditGeneration();
        CellImages::Shared(*library)->Clear();
        for (MyCanvas* shown : canvases) shown->RefreshView();
      }
      SetMainStatus(result.status);
    } catch (const Error& error) {
      frame_->ReportError(error.Tag(), error.Message());
    }
  }
  LogMessage("%s\n", LogTimeStamp().c_str());
}
