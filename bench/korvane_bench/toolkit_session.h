#pragma once

#include <string>

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

// One paint of the canvas through its drawing pass, onto a 24-bit bitmap the size of its client;
// gives the seconds of the pass itself (the bitmap is made before it starts).
double PaintCanvas(MyCanvas& canvas);
