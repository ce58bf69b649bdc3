#pragma once

// A window for the view sessions of the headless tests: it records what a session shows and
// answers its questions with the prompts it is given.
#include <string>
#include <vector>

#include "canvas/view/session_host.h"
#include "canvas/view/view_state.h"

class RecordingSessionHost : public SessionHost {
 public:
  explicit RecordingSessionHost(CanvasPrompts& answers) : prompts(&answers) {}

  void SetChildStatus(int field, const std::string& text) override { status[field] = text; }
  void SetMainStatus(const std::string& text) override { main.push_back(text); }
  int FirstSelectedLayerRow() const override { return layerRow; }
  void SetBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
  CanvasPrompts& Prompts() override { return *prompts; }
  void RefreshLayerList() override { ++layerListRefreshes; }
  void RedrawView() override { ++redraws; }
  void RefreshOverlays(const PixelRect& area) override { refreshed.push_back(area); }
  PixelRect ClientArea() const override { return client; }
  void ApplyScroll(const ScrollRequest& request) override { scrolls.push_back(request); }
  void ShowCursor(CursorKind kind) override { cursor = kind; }

  CanvasPrompts* prompts;
  std::string status[2];
  std::vector<std::string> main;
  // The layer row the list shows selected, -1 none.
  int layerRow = -1;
  int busyDepth = 0;
  int layerListRefreshes = 0;
  int redraws = 0;
  std::vector<PixelRect> refreshed;
  std::vector<ScrollRequest> scrolls;
  PixelRect client{0, 0, 1000, 1000};
  CursorKind cursor = CursorKind::kArrow;
};
