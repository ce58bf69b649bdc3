#pragma once

#include <string>

#include "canvas/view/view_session.h"

class MyCanvas;
class wxFrame;

// The toolkit, started for a bench command that draws, and one frame to hold its canvases;
// both go when the session ends.
class ToolkitSession {
 public:
  // Throws Error "Cannot start the toolkit (no display?)" without a display.
  ToolkitSession(const std::string& title, int width, int height);
  ~ToolkitSession();
  ToolkitSession(const ToolkitSession&) = delete;
  ToolkitSession& operator=(const ToolkitSession&) = delete;

  wxFrame& Frame() { return *frame_; }

 private:
  wxFrame* frame_ = nullptr;
};

// A view of a library in a toolkit session's frame: the view session and the WIDTH x HEIGHT
// canvas that shows it, which goes with it.
struct BenchView {
  BenchView(wxFrame& frame, int width, int height);
  ~BenchView();
  BenchView(const BenchView&) = delete;
  BenchView& operator=(const BenchView&) = delete;

  // Opens the library in directory as the application does; throws Error when it cannot, or
  // when the library has no root cell.
  void Open(const std::string& directory);

  ViewSession session;
  MyCanvas* canvas;
};

// One paint of the canvas through its drawing pass, onto a 24-bit bitmap the size of its client;
// gives the seconds of the pass itself (the bitmap is made before it starts).
double PaintCanvas(MyCanvas& canvas);
