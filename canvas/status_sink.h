#pragma once

#include <string>

// Where a canvas sends its status texts. The shell decides where they show: GTK's MDI child
// frames have no status bar of their own, so the child's two fields are routed by the shell.
class StatusSink {
 public:
  virtual ~StatusSink() = default;
  // Field 0 or 1 of the child window's status bar ("Drawing in back, wait...", "Ready").
  virtual void SetChildStatus(int field, const std::string& text) = 0;
  // The main frame's status bar (library opening and conversion).
  virtual void SetMainStatus(const std::string& text) = 0;
};
