#pragma once

#include "canvas/view/canvas_host.h"
#include "canvas/view/view_state.h"

enum class CursorKind { kArrow, kMagnifier, kZoomOut };

// What a view session asks of the window that shows it: the shell's part (CanvasHost), and the
// window's own: the redraws, the overlays, the scroll bars and the cursor.
class SessionHost : public CanvasHost {
 public:
  // The scene is drawn anew at the next paint, which is asked for now.
  virtual void RedrawView() = 0;
  // Repaints the overlays over the scene in area (scrolled pixels), the scene copied as it is.
  virtual void RefreshOverlays(const PixelRect& area) = 0;
  // The client area at its scrolled position: its size and the scrolled pixel at its top left.
  virtual PixelRect ClientArea() const = 0;
  // Sets the scroll bars of request (kScrollUnit pixels per unit) and redraws the scene.
  virtual void ApplyScroll(const ScrollRequest& request) = 0;
  virtual void ShowCursor(CursorKind kind) = 0;
};
