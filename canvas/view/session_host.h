#pragma once

#include <cstdint>

#include "canvas/view/canvas_host.h"

struct ScrollRequest;

// A rectangle of scrolled window pixels.
struct PixelRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  // The smallest rectangle holding both; an empty one adds nothing.
  PixelRect Union(const PixelRect& other) const;
  bool operator==(const PixelRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

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
