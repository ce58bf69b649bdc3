#pragma once

#include <wx/bitmap.h>
#include <wx/cursor.h>
#include <wx/scrolwin.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "canvas/view/gesture_controller.h"
#include "canvas/view/session_host.h"

class GridPointsOverlay;
class Overlay;
class RulerOverlay;
class SelectionOverlay;
class TransientOverlay;
class ViewSession;
class wxDC;

// The scrolled drawing surface of one view: it paints its session's scene through a back
// buffer, scrolls, and turns the toolkit's mouse events into the session's gestures. A paint
// that finds the view unchanged copies the buffer, anything else redraws the scene into it;
// the overlays (grid points, selection, rulers, what a gesture shows) are painted over it at
// every paint. The canvas is the session's host: it does the window's part itself and passes the
// shell's part on to its own host.
class MyCanvas : public wxScrolledWindow, public SessionHost {
 public:
  // The session must outlive the canvas; the canvas is its host until it goes.
  MyCanvas(wxWindow* parent, ViewSession& session, const wxPoint& pos, const wxSize& size);
  ~MyCanvas() override;

  // The shell around the canvas: status texts, the busy cursor, the questions and the layer
  // list go to it. Without one (null) texts are dropped and every question is answered with
  // Cancel. The shell must outlive the canvas or be reset.
  void SetHost(CanvasHost* shell) { shell_ = shell; }

  // A paint: the scene drawn anew into the back buffer when the view changed, then copied, with
  // the overlays over it.
  void OnDraw(wxDC& dc) override;
  // Draws what the window shows, the scene and the overlays, onto a printer's dc with factor
  // (above 0, at most 1) of dc's logical pixels per window pixel, its top left corner at dc's
  // device origin: the scene is drawn anew at that size, never copied from the back buffer.
  void PrintView(wxDC& dc, double factor);

  // The back buffer and the part of it that the last full draw filled.
  const wxBitmap* BackBuffer() const { return backBuffer_.get(); }
  int BackBufferLogicalWidth() const { return bufferLogicalW_; }
  int BackBufferLogicalHeight() const { return bufferLogicalH_; }
  // What the window shows of the scene: the part of the back buffer that the last full draw
  // filled, without the overlays. An invalid bitmap before the first draw.
  wxBitmap DrawnImage() const;
  // Number of full drawing passes so far (tests and the benchmark tell a redraw from a blit).
  int64_t SceneDrawCount() const { return sceneDrawCount_; }
  // True while the next paint draws the scene anew.
  bool ViewChanged() const { return viewChanged_; }

  // Further overlays, painted after the canvas's own in the order added. The canvas does not
  // own them; each must be removed before it goes.
  void AddOverlay(Overlay* overlay);
  void RemoveOverlay(Overlay* overlay);

  // The session's host: the shell's part is passed on, the window's part done here.
  void SetChildStatus(int field, const std::string& text) override;
  void SetMainStatus(const std::string& text) override;
  int FirstSelectedLayerRow() const override;
  void SetBusy(bool busy) override;
  CanvasPrompts& Prompts() override;
  void RefreshLayerList() override;
  void RedrawView() override;
  void RefreshOverlays(const PixelRect& area) override;
  PixelRect ClientArea() const override;
  void ApplyScroll(const ScrollRequest& request) override;
  void ShowCursor(CursorKind kind) override;

 private:
  // The scene into the back buffer for the view fitted to the client at (x0, y0), and the copy
  // of the buffer onto dc.
  void RedrawBuffer(const PixelRect& client);
  void BlitBuffer(wxDC& dc, const PixelRect& client);
  // The one drawing routine of the paint, printing and export: the scene onto dc for the view
  // fitted by the last CentreView, with dc's origin and clip set by the caller. An Error ends
  // the pass with what was drawn so far and is shown once the paint is over.
  void DrawScene(wxDC& dc);
  void DrawLayout(wxDC& dc);
  void PaintOverlays(wxDC& dc);
  // Log lines of a full pass: on the first one, and on the full view at full depth.
  bool LogsPass() const;
  // The event of the toolkit as the gestures see it, handed on; capture starts with a press.
  void ForwardMouse(MouseKind kind, wxMouseEvent& event);
  void OnMouseCaptureLost(wxMouseCaptureLostEvent& event);

  ViewSession& session_;
  CanvasHost* shell_ = nullptr;
  bool viewChanged_ = false;
  bool firstDraw_ = true;
  std::unique_ptr<GridPointsOverlay> gridPoints_;
  std::unique_ptr<SelectionOverlay> selection_;
  std::unique_ptr<RulerOverlay> rulers_;
  std::unique_ptr<TransientOverlay> transients_;
  std::vector<Overlay*> overlays_;
  std::unique_ptr<wxBitmap> backBuffer_;
  int bufferLogicalW_ = 0;
  int bufferLogicalH_ = 0;
  int bufferOriginX_ = 0;
  int bufferOriginY_ = 0;
  int64_t sceneDrawCount_ = 0;
  FillTiles fillTiles_;
  TextStamps textStamps_;
  wxCursor zoomOutCursor_;
};
