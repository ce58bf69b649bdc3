#pragma once

#include <string>

class CanvasPrompts;

// What a view asks of the shell around its window: status texts, the layer row the user
// selected, the busy cursor, the questions and the layer list. The shell decides where they
// show: GTK's MDI child frames have no status bar of their own, so the child's two fields are
// routed by the shell.
class CanvasHost {
 public:
  virtual ~CanvasHost() = default;
  // Field 0 or 1 of the child window's status bar ("Drawing in back, wait...", "Ready").
  virtual void SetChildStatus(int field, const std::string& text) = 0;
  // The main frame's status bar (library opening and conversion).
  virtual void SetMainStatus(const std::string& text) = 0;
  // The row of the first selected layer in the layer list (rows in layer key order), -1 none.
  virtual int FirstSelectedLayerRow() const = 0;
  // Shows or ends the busy cursor over the application's windows; calls nest.
  virtual void SetBusy(bool busy) = 0;
  // The questions of the view's commands.
  virtual CanvasPrompts& Prompts() = 0;
  // The layer list shows the library's layer table anew.
  virtual void RefreshLayerList() = 0;
};

// Shows the busy cursor through host (none: nothing) for its lifetime.
class BusyCursor {
 public:
  explicit BusyCursor(CanvasHost* host) : host_(host) {
    if (host_) host_->SetBusy(true);
  }
  ~BusyCursor() {
    if (host_) host_->SetBusy(false);
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  CanvasHost* host_;
};
