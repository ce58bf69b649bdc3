// The child window's commands that restructure the library on disk.
#include <wx/utils.h>

#include "app/app_context.h"
#include "app/my_child.h"
#include "app/my_frame.h"
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
      const OptimizeResult result = OptimizeLibrary(*library);
      if (result.tiles > 0) {
        // Large cells lost their shapes to the tiles: every window on the library draws anew.
        for (MyChild* child : frame_->Context().Children()) {
          if (child->canvas && child->canvas->GetLibrary() == library) child->canvas->RefreshView();
        }
      }
      SetMainStatus(result.status);
    } catch (const Error& error) {
      frame_->ReportError(error.Tag(), error.Message());
    }
  }
  LogMessage("%s\n", LogTimeStamp().c_str());
}
