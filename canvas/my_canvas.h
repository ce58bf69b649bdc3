#pragma once

#include <wx/bitmap.h>
#include <wx/scrolwin.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/gesture_controller.h"
#include "canvas/view/inspection.h"
#include "canvas/jobs/library_jobs.h"
#include "canvas/view/path_circle_text.h"
#include "canvas/view/overlay_layers.h"
#include "canvas/view/unreadable_cells.h"
#include "canvas/view/view_state.h"
#include "canvas/fill_tiles.h"
#include "canvas/text_stamps.h"
#include "db/box.h"

class Cell;
class CanvasHost;
class CellImages;
class CanvasPrompts;
class GridPointsOverlay;
class Library;
class Overlay;
class ProcessRunner;
class wxDC;

// The scrolled drawing surface of one child window. It shows one cell of a library through a
// back buffer: a paint that finds the view unchanged copies the buffer, anything else redraws
// the scene into it. The library is owned jointly by every canvas that shows it (a new or
// opened library starts with this canvas as its only owner; ShareLibrary adds one more); the
// last canvas to go frees it. The work of its commands is done by the headless code of
// canvas/view; this class is the window around it.
class MyCanvas : public wxScrolledWindow {
 public:
  MyCanvas(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);
  ~MyCanvas() override;

  // The window that holds the canvas: status texts, the busy cursor and the questions go to it.
  // Without one (null) texts are dropped and every question is answered with Cancel. The host
  // must outlive the canvas or be reset.
  void SetHost(CanvasHost* host) { host_ = host; }

  // The library shown, shared with the other canvases that show it (null before one is
  // attached).
  const std::shared_ptr<Library>& GetLibrary() const { return library_; }
  // Shows library, shared with the canvas it came from; the caller then calls SetTopCell.
  void ShareLibrary(std::shared_ptr<Library> library);

  // Library opening and conversion. Each returns false after an Error, with the status and
  // the log line "ERROR: <tag>: <message>"; the library created so far stays attached. A
  // conversion into a directory that holds a library is refused with a message.
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
  // Draws what the window shows, the scene and the overlays, onto a printer's dc with factor
  // (above 0, at most 1) of dc's logical pixels per window pixel, its top left corner at dc's
  // device origin: the scene is drawn anew at that size, never copied from the back buffer.
  void PrintView(wxDC& dc, double factor);

  // The back buffer and the part of it that the last full draw filled.
  const wxBitmap* BackBuffer() const { return backBuffer_.get(); }
  // What the window shows of the scene: the part of the back buffer that the last full draw
  // filled, without the overlays. An invalid bitmap before the first draw.
  wxBitmap DrawnImage() const;
  int BackBufferLogicalWidth() const { return bufferLogicalW_; }
  int BackBufferLogicalHeight() const { return bufferLogicalH_; }
  // Number of full drawing passes so far (tests and the benchmark tell a redraw from a blit).
  int64_t SceneDrawCount() const { return sceneDrawCount_; }

  // The display settings. ApplySettings takes a changed copy and shows it: a change that
  // only the overlays read repaints them over the scene, any other redraws the scene.
  const DisplaySettings& Settings() const { return settings_; }
  void ApplySettings(const DisplaySettings& settings);

  // Overlays, painted in the order added over the scene at every paint. The canvas does not
  // own them; each must be removed before it goes. After a change of an overlay, refresh the
  // rectangle (scrolled pixels, as the overlay paints) that it touched before and after.
  void AddOverlay(Overlay* overlay);
  void RemoveOverlay(Overlay* overlay);
  void RefreshOverlayArea(const wxRect& area);

  // The area design-rule check: asks for the engine's rule script, writes "korvane_drc.tcl" in
  // the working directory naming the library, the shown cell and the checked area (AreaChoice),
  // and runs the engine on it, waiting until it ends. A failure is logged and shown in the main
  // status bar.
  void RunAreaDRC();
  // The runner of the engine; null restores the system's. It must outlive its use.
  void SetProcessRunner(ProcessRunner* runner) { processRunner_ = runner; }

  // Extraction and export to the file at path (the full path as given; the caller has added a
  // missing extension). Output type 0 OASIS, 1 GDSII, 2 text polygons (flat only). With
  // visibleLayers only the layers not hidden are written (all when every one is hidden); with
  // areaLastZoomed the window is the last zoomed area when one was drawn, otherwise the shown
  // cell's box. Each runs with its status texts, the busy cursor and its log lines; an Error is
  // shown in the main status bar and logged, and leaves no file under path.
  void ExtractHierarchical(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed);
  void ExtractFlat(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed);
  void WriteGDS(const std::string& path, bool visibleLayers);
  void WriteOASIS(const std::string& path, bool visibleLayers);

  // Overlays of external data (overlay_commands.cpp). ReadTextPolygons reads a text polygon
  // file into a layer of the shown cell or as the overlay (the user chooses); false when the
  // file could not be read, which has been shown. RemoveTextPolygons drops the overlay and its
  // layers; false when there was none. ReadCriticality replaces the criticality map with the
  // file's; false, with the map kept and a message shown, when the file cannot be opened.
  // RemoveCriticality drops the map; false when none was loaded.
  bool ReadTextPolygons(const std::string& path);
  bool RemoveTextPolygons();
  bool ReadCriticality(const std::string& path);
  bool RemoveCriticality();

  // Inspect Layer asks for a layer and zooms to its first shape under the shown cell, Inspect
  // Next to the next shape of that search (or of the last pick's walk); each logs when there is
  // none. The selection goes with the pick path. Errors of loading a cell propagate, with the
  // inspection ended.
  void InspectLayer();
  void InspectNext();
  // Clear Memory: every canvas on the library drops its selection and pick path, the cells that
  // none of them shows are unloaded (modified cells stay), and every one redraws.
  void ClearLibraryMemory();
  // Remove Rulers and Recover Rulers (EditState), with a redraw when anything changed.
  void RemoveRulers();
  void RecoverRulers();

  // The edit commands (edit_commands.cpp): each works on the selection and the shown cell,
  // shows its status in the child's second status field and redraws when it changed anything.
  // Sizing and the dialogs of the path, circle and text commands ask through the prompts.
  void Cancel();
  void InsertPolygon();
  void DeletePolygon();
  void PastePolygon();
  void SizingPolygon();
  void FlipXPolygon();
  void FlipYPolygon();
  void Rotate90Polygon();
  void SnapPolygon();
  void MergePolygons();
  void SubtractPolygons();
  void CreatePath();
  void CreateCircle();
  void InsertText();
  void ReplaceText();

  // The cell and instance commands (cell_commands.cpp). Each asks through the prompts, works
  // on the shown cell or the selected instance, and redraws every canvas on the library when
  // it changed anything. Errors of loading cells propagate to the command handler. CreateCell
  // gives the new cell's name ("" when none was made); OpenCell the name chosen with the
  // wildcard search ("" for none). RecalculateCells runs only when the hierarchy is due.
  std::string CreateCell();
  void DeleteCell();
  void IncrementCell();
  void InsertInst();
  void DeleteInst();
  void ReplaceInst();
  void ModifyInst();
  void InstanceInfo();
  std::string OpenCell(const std::string& title);
  void RecalculateCells();

  // Every canvas that shows library, this one included, oldest first.
  static std::vector<MyCanvas*> CanvasesShowing(const Library* library);

  // The mouse gestures (canvas_mouse.cpp). HandleMouse takes one event of the gestures (the
  // toolkit's mouse handlers translate theirs into it). ClearSelection drops the selection, the
  // pick path, the selected instance and what a gesture shows, and repaints the overlays;
  // RefreshSelection repaints the overlays after a change of the selection or the rulers.
  void HandleMouse(const MouseEvent& event);
  void ClearSelection();
  void RefreshSelection();
  // The hierarchy-path chooser (hierarchy_path.cpp): the placement chosen from the path of the
  // last pick, none for Cancel or when there is no selection.
  SelectedInstance ShowHierarchyPath();

  // The selection, the pick path, the rulers and the gesture state shared with the edit
  // commands. Before it is used, edit.FollowGeneration(*library) drops what an edit elsewhere
  // made stale.
  EditState edit;
  // The text polygons and the criticality map laid over the view, drawn with the scene.
  OverlayData overlayData;

  // View state: set by the commands above and by each drawing pass.
  ViewMapping view;
  Box lastZoomedArea;
  bool viewChanged = false;
  bool firstDraw = true;
  bool fineView = false;
  bool coarseView = false;

 private:
  // Shows the busy cursor through the host for its lifetime.
  class BusyCursor {
   public:
    explicit BusyCursor(CanvasHost* host);
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

   private:
    CanvasHost* host_;
  };

  // The client area at its scrolled (logical) position.
  wxRect ScrolledClientArea() const;
  // The parts of the pass: the fitted view, the scene into the back buffer, and the copy.
  void RedrawBuffer(int32_t x0, int32_t y0, int32_t cw, int32_t ch);
  void DrawSceneGuarded(wxDC& dc);
  // The cell images of the library, shared with the other canvases on it, following it.
  CellImages* FollowCellImages();
  void BlitBuffer(wxDC& dc, int32_t x0, int32_t y0, int32_t cw, int32_t ch);
  // Shows each unreadable cell met by a pass once, in the main status bar.
  void ReportUnreadableCells();
  // Log lines of a full pass: on the first one, and on the full view at full depth.
  bool LogsPass() const;
  void ApplyScroll(const ScrollRequest& request);
  // Scroll bars of the request, with their thumbs at the view's position.
  void SetScrollbarsTo(const ScrollRequest& request);
  // Zooms by four about the view's current scroll position with ZoomInScroll or ZoomOutScroll.
  using ZoomScrollFunction = std::optional<ScrollRequest> (*)(double&, int32_t, int32_t, int32_t, int32_t);
  void ZoomByFour(ZoomScrollFunction zoom);
  // Units, first root and depth of a library just opened or converted; false when the
  // library has no root cell to show.
  bool ShowOpenedLibrary();
  // What the conversions share: the refusal of a directory holding a library, the log line
  // and status naming the format, the import into a new library, then the opening tail; false
  // after an Error, which is logged and shown.
  bool ConvertLayout(LayoutFormat format, const std::string& path, const std::string& directory, bool compressed);
  // The status and log line of a failed opening or conversion.
  void ReportFailure(const std::string& errorLine);
  // An export job between its log line and status text and "Ready", under the busy cursor;
  // an Error is reported. With stampEnd the log gets the time stamp again at the end.
  void RunExportJob(const std::string& logLine, const std::string& status, bool stampEnd,
                    const std::function<void()>& job);
  // Zooms to an inspected shape's box, or shows the full view when the box is not smaller.
  void ShowInspected(const Box& target);
  CanvasPrompts& Prompts();
  void PaintOverlays(wxDC& dc);
  // Every canvas alive, in the order made.
  static std::vector<MyCanvas*>& AllCanvases();
  // Makes library the canvas's library; no cell is shown until SetTopCell.
  void AttachLibrary(std::shared_ptr<Library> library);
  void ChildStatus(const std::string& text);
  // What an edit command works on, and the showing of what it did.
  EditTarget CurrentEditTarget();
  void ShowEditOutcome(const EditOutcome& outcome);
  void MainStatus(const std::string& text);

  Cell* topCell = nullptr;
  int32_t topCellId = -1;
  DisplaySettings settings_;
  std::shared_ptr<Library> library_;
  CanvasHost* host_ = nullptr;
  ProcessRunner* processRunner_ = nullptr;
  std::unique_ptr<GridPointsOverlay> gridPoints_;
  std::vector<Overlay*> overlays_;
  std::unique_ptr<wxBitmap> backBuffer_;
  int bufferLogicalW_ = 0;
  int bufferLogicalH_ = 0;
  int bufferOriginX_ = 0;
  int bufferOriginY_ = 0;
  int64_t sceneDrawCount_ = 0;
  UnreadableCells unreadableCells_;
  FillTiles fillTiles_;
  TextStamps textStamps_;
  // The path type and half width of the last Create Path.
  PathMemory pathMemory_;
  std::shared_ptr<CellImages> cellImages_;
  Inspection inspection_;
  // The gesture controller and the overlays of the selection, the rulers and the transients;
  // declared last, so that it goes before the state it refers to.
  class Gestures;
  struct GesturesDeleter {
    void operator()(Gestures* gestures) const;
  };
  void StartGestures();
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftUp(wxMouseEvent& event);
  void OnLeftDClick(wxMouseEvent& event);
  void OnMiddleDown(wxMouseEvent& event);
  void OnMiddleUp(wxMouseEvent& event);
  void OnRightDown(wxMouseEvent& event);
  void OnRightUp(wxMouseEvent& event);
  void OnRightDClick(wxMouseEvent& event);
  void OnMotion(wxMouseEvent& event);
  void OnMouseCaptureLost(wxMouseCaptureLostEvent& event);
  // The event of the toolkit as the gestures see it, handed on; capture starts with a press.
  void ForwardMouse(MouseKind kind, wxMouseEvent& event);
  std::unique_ptr<Gestures, GesturesDeleter> gestures_;
};
