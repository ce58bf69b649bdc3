#pragma once

#include <wx/bitmap.h>
#include <wx/scrolwin.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "canvas/view_state.h"
#include "db/box.h"

class Cell;
class Library;
class StatusSink;
class wxDC;

// The scrolled drawing surface of one child window. It shows one cell of a library through a
// back buffer: a paint that finds the view unchanged copies the buffer, anything else redraws
// the scene into it. The library is owned jointly by every canvas that shows it (a new or
// opened library starts with this canvas as its only owner; ShareLibrary adds one more); the
// last canvas to go frees it.
class MyCanvas : public wxScrolledWindow {
 public:
  // Answers the prompt for the box of an empty cell: (message, caption) -> the text typed,
  // "" for Cancel. The default asks with the toolkit's text-entry dialog.
  using TextPrompt = std::function<std::string(const std::string& message, const std::string& caption)>;

  MyCanvas(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);
  ~MyCanvas() override;

  // Status texts go to sink (null: dropped). The sink must outlive the canvas or be reset.
  void SetStatusSink(StatusSink* sink) { statusSink_ = sink; }
  void SetTextPrompt(TextPrompt prompt) { textPrompt_ = std::move(prompt); }

  // The library shown, shared with the other canvases that show it (null before one is
  // attached).
  const std::shared_ptr<Library>& GetLibrary() const { return library_; }
  // Shows library, shared with the canvas it came from; the caller then calls SetTopCell.
  void ShareLibrary(std::shared_ptr<Library> library);

  // Library opening and conversion. Each returns false after an Error, with the status
  // "ERROR: <tag>: <message>"; the library created so far stays attached.
  bool LoadLibrary(const std::string& directory);
  bool ConvertGDS(const std::string& gdsPath, const std::string& directory);
  // Never reads the file as gzip; the library is written uncompressed.
  bool ConvertOASIS(const std::string& oasisPath, const std::string& directory);
  // Shows the cell with that id and fits the view to its box. An empty box is asked for in
  // micrometres (default -10 -10 10 10) and stored as the cell's box with ordered corners.
  void SetTopCell(int32_t id);
  Cell* TopCell() const { return topCell; }
  int32_t TopCellId() const { return topCellId; }

  // View commands. Every one that changes the picture marks the view changed and repaints.
  void ResizeCanvas(int oldW, int oldH, int newW, int newH);
  void RefreshView();
  // Shows the square of side 2 * halfWidth centred on (x, y); all in micrometres.
  void ZoomToBox(double x, double y, double halfWidth);
  void Zoomin4X();
  void Zoomout4X();
  // The full view of the shown cell, with the user's cell-size limit restored.
  void Zoomout();

  // Nanometres per database unit, micrometres per database unit and the snapping grid (at
  // least 1) from the library's database unit.
  void GridStep();

  // Draws the scene into dc for the view fitted by the last view.CentreView, with dc's origin
  // and clip set by the caller: the one drawing routine of the paint, printing and export.
  void DrawScene(wxDC& dc);
  void OnDraw(wxDC& dc) override;

  // The back buffer and the part of it that the last full draw filled.
  const wxBitmap* BackBuffer() const { return backBuffer_.get(); }
  int BackBufferLogicalWidth() const { return bufferLogicalW_; }
  int BackBufferLogicalHeight() const { return bufferLogicalH_; }
  // Number of full drawing passes so far (tests and the benchmark tell a redraw from a blit).
  int64_t SceneDrawCount() const { return sceneDrawCount_; }

  // Display settings; after a change call RefreshView.
  int32_t cellSizeLimit = 150;
  int32_t userCellSizeLimit = 150;
  int32_t depth = 200;
  uint8_t layerFilter = 0;
  uint8_t accurateDraw = 0;
  uint8_t orderedDraw = 0;
  uint8_t showGrids = 0;
  uint8_t showNames = 0;
  uint8_t showTexts = 1;
  uint8_t showOutlines = 0;
  int32_t fineViewLimit = 50000;
  int32_t coarseViewLimit = 500000;
  // Cell id highlighted by the cell tree; -1 none.
  int32_t highlightedCell = -1;
  wxColour outlineColour{0, 0, 8};
  // The frame's colours: the background of the scene and the pen of highlighted instances.
  wxColour backgroundColour{0, 0, 0};
  wxColour instanceHighlightColour{255, 255, 0};
  // Whether ConvertGDS writes compressed cell data files.
  bool gzipLibrary = false;

  // View state: set by the commands above and by each drawing pass.
  ViewMapping view;
  Box lastZoomedArea;
  double nmPerUnit = 1.0;
  double umPerUnit = 0.001;
  int32_t snapGrid = 5;
  bool viewChanged = false;
  bool firstDraw = true;
  bool fineView = false;
  bool coarseView = false;

 private:
  // The parts of the pass: the fitted view, the scene into the back buffer, and the copy.
  void RedrawBuffer(int32_t x0, int32_t y0, int32_t cw, int32_t ch);
  void DrawSceneGuarded(wxDC& dc);
  void BlitBuffer(wxDC& dc, int32_t x0, int32_t y0, int32_t cw, int32_t ch);
  // Log lines of a full pass: on the first one, and on the full view at full depth.
  bool LogsPass() const;
  void ApplyScroll(const ScrollRequest& request);
  // Zooms by four about the view's current scroll position with ZoomInScroll or ZoomOutScroll.
  using ZoomScrollFunction = std::optional<ScrollRequest> (*)(double&, int32_t, int32_t, int32_t, int32_t);
  void ZoomByFour(ZoomScrollFunction zoom);
  // Default colours, units, first root and depth of a library just opened or converted; false
  // when the library has no root cell to show.
  bool FinishLibraryOpen();
  // What the conversions share: the log line and status naming the format, a new library in
  // directory (created when missing), read filling it, then the opening tail; false after an
  // Error, which is logged and shown.
  bool ConvertLayout(const char* format, const std::string& path, const std::string& directory, bool compressed,
                     const std::function<void(Library&)>& read);
  // Makes library the canvas's library; no cell is shown until SetTopCell.
  void AttachLibrary(std::shared_ptr<Library> library);
  // The ctime text of the current local time, for log lines; it ends in a line break.
  static std::string TimeStamp();
  void ChildStatus(const std::string& text);
  void MainStatus(const std::string& text);
  std::string AskCellBox();

  Cell* topCell = nullptr;
  int32_t topCellId = -1;
  std::shared_ptr<Library> library_;
  StatusSink* statusSink_ = nullptr;
  TextPrompt textPrompt_;
  std::unique_ptr<wxBitmap> backBuffer_;
  int bufferLogicalW_ = 0;
  int bufferLogicalH_ = 0;
  int bufferOriginX_ = 0;
  int bufferOriginY_ = 0;
  int64_t sceneDrawCount_ = 0;
  FillTiles fillTiles_;
  TextStamps textStamps_;
};
