#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "canvas/jobs/library_jobs.h"
#include "canvas/view/display_settings.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/gesture_controller.h"
#include "canvas/view/inspection.h"
#include "canvas/view/overlay_layers.h"
#include "canvas/view/path_circle_text.h"
#include "canvas/view/polygon_commands.h"
#include "canvas/view/session_host.h"
#include "canvas/view/unreadable_cells.h"
#include "canvas/view/view_state.h"
#include "db/box.h"

class CanvasPrompts;
class Cell;
class Document;
class Library;
class ProcessRunner;

// The view behind one canvas window, free of the toolkit: the document it shows (a library
// shared with the other views on it), the shown cell, the display settings, the view mapping and
// the last zoomed area, the selection and gesture state, the overlays of external data, the
// inspection and the memory of Create Path. Its commands work on itself; it talks to the window
// through one host (SessionHost), and without one its texts go unseen and every question is
// answered with Cancel. Every change of the library that a command makes goes through
// Document::Edited, so that every view on the library follows it.
class ViewSession {
 public:
  ViewSession();
  // Leaves its document: the layers of its text-polygon overlay go with it.
  ~ViewSession();
  ViewSession(const ViewSession&) = delete;
  ViewSession& operator=(const ViewSession&) = delete;

  // The window that shows the session; null detaches it. It must outlive its use.
  void SetHost(SessionHost* host) { host_ = host; }
  // The runner of the rule-check engine; null restores the system's. It must outlive its use.
  void SetProcessRunner(ProcessRunner* runner) { processRunner_ = runner; }

  // The document shown and its library; null before one is attached.
  Document* GetDocument() const { return document_.get(); }
  const std::shared_ptr<Document>& SharedDocument() const { return document_; }
  Library* GetLibrary() const;
  // Shows document, shared with the views already on it; the caller then calls SetTopCell.
  void ShareDocument(std::shared_ptr<Document> document);

  // Library opening and conversion (session_library.cpp). Each returns false after an Error,
  // with the status and the log line "ERROR: <tag>: <message>"; the library created so far
  // stays attached. A conversion into a directory that holds a library is refused with a
  // message; ConvertOASIS never reads the file as gzip and writes the library uncompressed.
  bool LoadLibrary(const std::string& directory);
  bool ConvertGDS(const std::string& gdsPath, const std::string& directory);
  bool ConvertOASIS(const std::string& oasisPath, const std::string& directory);
  // A new library in directory whose one cell, a root named topCellName, is shown at full
  // depth.
  void StartNewLibrary(const std::string& directory, const std::string& topCellName);
  // Shows the cell with that id and fits the view to its box. An empty box is asked for in
  // micrometres (default -10 -10 10 10) and stored as the cell's box with ordered corners.
  void SetTopCell(int32_t id);
  Cell* TopCell() const { return topCell_; }
  int32_t TopCellId() const { return topCellId_; }

  // The display settings. ApplySettings takes a changed copy and shows it: a change that only
  // the overlays read repaints them over the scene, any other redraws the scene.
  const DisplaySettings& Settings() const { return settings_; }
  void ApplySettings(const DisplaySettings& settings);
  // Nanometres per database unit, micrometres per database unit and the snapping grid (at
  // least 1) from the library's database unit.
  void GridStep();
  // The frame's three colours: the background, the highlight of instances and of geometry.
  void SetFrameColours(const Rgb& background, const Rgb& instanceHighlight, const Rgb& geometryHighlight);

  // The state the drawing passes, the gestures and the edit commands share.
  ViewMapping& View() { return view_; }
  const ViewMapping& View() const { return view_; }
  const Box& LastZoomedArea() const { return lastZoomedArea_; }
  void SetLastZoomedArea(const Box& area) { lastZoomedArea_ = area; }
  EditState& Edit() { return edit_; }
  const EditState& Edit() const { return edit_; }
  // The text polygons and the criticality map laid over the view, drawn with the scene.
  OverlayData& Overlays() { return overlays_; }
  const OverlayData& Overlays() const { return overlays_; }
  // The cells the drawing passes found unreadable, what the gestures show, and the path type and
  // half width of the last Create Path.
  UnreadableCells& Unreadable() { return unreadable_; }
  const GestureController& Gestures() const { return gestures_; }
  PathMemory& Paths() { return pathMemory_; }

  // What the commands and the gestures tell the window (through the host, when there is one).
  void ChildStatus(int field, const std::string& text);
  void MainStatus(const std::string& text);
  int SelectedLayerRow() const;
  CanvasPrompts& Prompts();
  // Marks the view changed and repaints it.
  void RedrawView();
  // Repaints the overlays in area, or over the whole window.
  void RefreshPixels(const PixelRect& area);
  void RefreshOverlays();
  void ApplyScroll(const ScrollRequest& request);
  void ShowCursor(CursorKind kind);
  // Logs a failure's line ("ERROR: tag: message\n" and the like) and shows it, without its end
  // of line, in the main status bar or in the second field of the child's.
  enum class FailureShown { kMainStatus, kCommandStatus };
  void ReportFailure(const std::string& errorLine, FailureShown where);
  // Shows each unreadable cell met by the drawing passes once, in the main status bar.
  void ReportUnreadableCells();
  // Follows a change of the document's library (DocumentChange bits) made here or elsewhere.
  void FollowDocument(uint32_t what);

  // The view commands (view_session.cpp). Every one that changes the picture redraws.
  void Zoomin4X();
  void Zoomout4X();
  // The full view of the shown cell, with the user's cell-size limit restored.
  void Zoomout();
  // Shows the square of side 2 * halfWidth centred on (x, y); all in micrometres.
  void ZoomToBox(double x, double y, double halfWidth);
  // Keeps the visible part when the client changes size from oldW x oldH to newW x newH.
  void ResizeView(int oldW, int oldH, int newW, int newH);

  // The mouse gestures: one event of the window, translated. ClearSelection drops the
  // selection, the pick path, the selected instance and what a gesture shows, and repaints the
  // overlays; AbandonGesture ends a gesture whose mouse was taken away.
  void HandleMouse(const MouseEvent& event);
  void AbandonGesture();
  void ClearSelection();
  // The hierarchy-path chooser: the placement chosen from the path of the last pick, none for
  // Cancel or when there is no selection.
  SelectedInstance ShowHierarchyPath();

  // The edit commands (session_edit_commands.cpp): each works on the selection and the shown
  // cell, shows its status in the child's second status field and redraws when it changed
  // anything. Sizing and the dialogs of the path, circle and text commands ask through the
  // prompts.
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

  // The cell and instance commands (session_cell_commands.cpp). Each asks through the prompts,
  // works on the shown cell or the selected instance, and every view on the library follows
  // what it changed. Errors of loading cells propagate. CreateCell gives the new cell's name
  // ("" when none was made); OpenCell the name chosen with the wildcard search ("" for none).
  std::string CreateCell();
  void DeleteCell();
  void IncrementCell();
  void InsertInst();
  void DeleteInst();
  void ReplaceInst();
  void ModifyInst();
  void InstanceInfo();
  std::string OpenCell(const std::string& title);
  // Runs only when the hierarchy is due; the shown cell's view is fitted anew.
  void RecalculateCells();
  // Save DB: the recalculation when due, then what the change bits call for.
  void SaveDb();
  // Optimize DB: tiles the large cells, every view on the library following.
  void OptimizeDb();
  // Change DB Unit: the unit typed in nanometres, taken by every view on the library.
  void ChangeDbUnit();

  // The view commands that ask (session_view_commands.cpp). Inspect Layer asks for a layer and
  // zooms to its first shape under the shown cell, Inspect Next to the next shape of that
  // search (or of the last pick's walk); each logs when there is none. Errors of loading a
  // cell propagate, with the inspection ended.
  void ChangeDepth();
  void ChangeCellSize();
  void ShowDbUnit();
  void GoTo();
  void InspectLayer();
  void InspectNext();
  void RemoveRulers();
  void RecoverRulers();
  // Clear Memory on the library of this view: see Document::ClearMemory.
  void ClearMemory();

  // Extraction and export to the file at path (session_output_commands.cpp; the full path as
  // given, the caller has added a missing extension). Output type 0 OASIS, 1 GDSII, 2 text
  // polygons (flat only). With visibleLayers only the layers not hidden are written (all when
  // every one is hidden); with areaLastZoomed the window is the last zoomed area when one was
  // drawn, otherwise the shown cell's box. Each runs with its status texts, the busy cursor and
  // its log lines; an Error is shown in the main status bar and logged, and leaves no file
  // under path.
  void ExtractHierarchical(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed);
  void ExtractFlat(const std::string& path, int type, bool visibleLayers, bool areaLastZoomed);
  void WriteGDS(const std::string& path, bool visibleLayers);
  void WriteOASIS(const std::string& path, bool visibleLayers);
  // The area design-rule check: asks for the engine's rule script, writes "korvane_drc.tcl" in
  // the working directory naming the library, the shown cell and the checked area, and runs
  // the engine on it, waiting until it ends. A failure is logged and shown in the main status
  // bar.
  void RunAreaDRC();

  // Overlays of external data (session_overlay_commands.cpp). PolyIn and CriticalityIn ask
  // for the file. ReadTextPolygons reads a text polygon file into a layer of the shown cell or
  // as the overlay (the user chooses); false when the file could not be read, which has been
  // shown. RemoveTextPolygons drops the overlay and its layers. ReadCriticality replaces the
  // criticality map with the file's; false, with the map kept and a message shown, when the
  // file cannot be opened. RemoveCriticality drops the map.
  void PolyIn();
  bool ReadTextPolygons(const std::string& path);
  void RemoveTextPolygons();
  void CriticalityIn();
  bool ReadCriticality(const std::string& path);
  void RemoveCriticality();

 private:
  // Leaves the document shown (its overlay layers go) and shows document instead, no cell yet.
  void AttachDocument(std::shared_ptr<Document> document);
  // Units, first root and depth of a library just opened or converted; false when the
  // library has no root cell to show.
  bool ShowOpenedLibrary();
  // What the conversions share: the refusal of a directory holding a library, the log line
  // and status naming the format, the import into a new library, then the opening tail; false
  // after an Error, which is logged and shown.
  bool ConvertLayout(LayoutFormat format, const std::string& path, const std::string& directory, bool compressed);
  // Zooms by four about the view's current scroll position with ZoomInScroll or ZoomOutScroll.
  using ZoomScrollFunction = std::optional<ScrollRequest> (*)(double&, int32_t, int32_t, int32_t, int32_t);
  void ZoomByFour(ZoomScrollFunction zoom);
  // Zooms to an inspected shape's box, or shows the full view when the box is not smaller.
  void ShowInspected(const Box& target);
  // Runs a command of the session and gives what it returns. A command that changed the library
  // has moved its edit generation: then every view on the library follows.
  template <typename Result>
  Result RunFollowed(Result (*command)(ViewSession&)) {
    const uint64_t before = EditGeneration();
    Result result = command(*this);
    if (EditGeneration() != before) FollowedEdit();
    return result;
  }
  // The library's edit generation, 0 without a library.
  uint64_t EditGeneration() const;
  void FollowedEdit();
  // Shows what an edit command did: its status, and a redraw when it asks for one.
  void ShowEditOutcome(const EditOutcome& outcome);
  // An export job between its log line and status text and "Ready", under the busy cursor;
  // an Error is reported. With stampEnd the log gets the time stamp again at the end.
  void RunExportJob(const std::string& logLine, const std::string& status, bool stampEnd,
                    const std::function<void()>& job);

  SessionHost* host_ = nullptr;
  ProcessRunner* processRunner_ = nullptr;
  std::shared_ptr<Document> document_;
  Cell* topCell_ = nullptr;
  int32_t topCellId_ = -1;
  DisplaySettings settings_;
  ViewMapping view_;
  Box lastZoomedArea_;
  EditState edit_;
  OverlayData overlays_;
  UnreadableCells unreadable_;
  Inspection inspection_;
  PathMemory pathMemory_;
  // Declared last: it refers to the session.
  GestureController gestures_;
};
