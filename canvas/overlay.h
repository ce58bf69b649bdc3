#pragma once

class wxDC;
struct ViewMapping;

// Something drawn over the layout: the scene stays in the back buffer and each paint copies it
// to the window, then paints every overlay on top, so that an overlay changes without a new
// drawing pass. A change that affects only an overlay refreshes the rectangle it touches
// (MyCanvas::RefreshOverlayArea).
class Overlay {
 public:
  virtual ~Overlay() = default;
  // Paints onto dc, whose logical coordinates are the scrolled pixels of view. Only plain pens
  // and brushes: on GTK the logical functions (invert, xor) do not undo what they drew, and the
  // next paint restores the pixels under an overlay anyway.
  virtual void Paint(wxDC& dc, const ViewMapping& view) = 0;
};
