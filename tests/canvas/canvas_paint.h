#pragma once

// What a canvas window shows, for the window tests: one paint through OnDraw (the back buffer
// with the overlays over it) onto a 24-bit bitmap the size of the client, antialiasing off.

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include "canvas/my_canvas.h"

namespace canvastest {

inline wxImage PaintCanvas(MyCanvas& canvas) {
  const wxSize size = canvas.GetClientSize();
  wxBitmap target(size.x, size.y, 24);
  {
    wxMemoryDC dc(target);
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
    canvas.DoPrepareDC(dc);
    canvas.OnDraw(dc);
  }
  return target.ConvertToImage();
}

}  // namespace canvastest
