#pragma once

#include <wx/colour.h>
#include <wx/gdicmn.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "canvas/array_samples.h"
#include "canvas/view/pixel_raster.h"
#include "canvas/view/view_state.h"
#include "db/box.h"
#include "db/cell.h"
#include "db/trans.h"

class CellImages;
class Library;
class FillTiles;
class UnreadableCells;
class TextStamps;
class wxDC;
struct LayerInfo;
struct RingVertex;
class DBPolygon;
class ShapeGroupList;
struct SpatialNode;

// The display settings one drawing pass reads.
struct DrawSettings {
  int32_t topCellId = -1;
  int32_t highlightedCell = -1;
  int32_t cellSizeLimit = 150;
  bool showNames = false;
  bool showTexts = true;
  bool showOutlines = false;
  bool layerFilter = false;
  bool fineView = false;
  bool coarseView = false;
  wxColour outlineColour{0, 0, 8};
  wxColour highlightColour{255, 255, 0};
  // What the window of the DC holds when the drawer starts: the drawer paints its whole window.
  wxColour background{0, 0, 0};
  // Loads the cells met on first use and skips those that cannot be read; null loads them
  // straight from the library, where an unreadable cell ends the pass with its Error.
  UnreadableCells* unreadableCells = nullptr;
  // The library's cell images, null to draw every cell accurately (Accurate Draw). With images,
  // a placed cell that is not the shown cell, lies wholly in its window and is drawn in full is
  // drawn through its image while the limit is below kImageCellSizeLimit, outside fine, coarse
  // and filtered views. The caller follows the table and ends its pass (CellImages::Pass).
  CellImages* images = nullptr;
};

// Draws cells of a library with their placements into a device context for one view: each
// cell's own shapes and texts layer by layer, and its placed cells down to the display depth,
// each in full or as an outline box with its name, depending on the depth left and its size in
// pixels. Cells are loaded on first use. Window boxes are database units in the coordinates of
// the cell being drawn; placements take them to the coordinates of the view.
//
// Everything is drawn into a raster of the view's window (of the whole DC when the view has no
// window), which starts as settings.background and goes to the DC in one piece when the drawer
// is destroyed, also after an Error, so that what was drawn so far is shown.
//
// The placements are walked on a stack of the drawer's own, so that a hierarchy as deep as the
// library has cells draws like a shallow one. Array elements are visited only where they
// overlap the window, and where more of them meet the window than it has pixels for (a pitch
// below a pixel, or elements that overlap), only as many as the pixels call for (ArraySamples).
// Elements that overlap a pixel or more apart still multiply across nested arrays, each filling
// the window again: so a pass spends at most kWorkPerPixel work units per pixel of its raster
// (pixels written, and the array elements visited and arrays opened); past that, every array that
// is still to draw, or to finish, is drawn as its box, as an array too small to open is.
class CellDrawer {
 public:
  // tiles and stamps are kept by the caller across passes; stamps are drawn with dc's font.
  CellDrawer(Library& library, wxDC& dc, const ViewMapping& view, const DrawSettings& settings, FillTiles& tiles,
             TextStamps& stamps);
  // Draws into target only, without a device context: no display is needed as long as nothing
  // asks for a text stamp (names and texts off) or a patterned fill.
  CellDrawer(Library& library, PixelRaster& target, const ViewMapping& view, const DrawSettings& settings,
             FillTiles& tiles, TextStamps& stamps);
  ~CellDrawer();
  CellDrawer(const CellDrawer&) = delete;
  CellDrawer& operator=(const CellDrawer&) = delete;

  // The cell under placement and its placements down to level; returns how many of its
  // shapes and placements were drawn. A placement of a cell already on the path (a cycle) is
  // skipped.
  int64_t DrawCellHierarchy(uint32_t cellId, const Box& window, const Trans& placement, int32_t level);
  // The cell's own shapes and texts: without queries when window holds the whole cell, else
  // those that the layer indexes find in window, cut to it.
  int64_t DrawCellGeometry(Cell& cell, const Box& window, const Trans& placement);
  // Outline box, and with names shown the orientation tick and the name, of a cell.
  void DrawCellOutline(const Cell& cell, const Trans& placement);
  // The shown cell once per visible layer, every other layer hidden meanwhile, so that layers
  // stack in key order across all cells; accelerated draws each layer with
  // DrawCellAccelerated, and each layer is a pass of the images. The hidden bits are restored
  // however it ends.
  void DrawOrdered(uint32_t cellId, const Box& window, int32_t depth, bool accelerated = false);
  // The cell (the shown cell, at the identity placement) with its whole hierarchy, no window
  // and no depth: its own geometry directly, each placed cell as its image, built once per
  // pass and stamped through every placement (array elements as ArraySamples picks them over
  // the cell's box). A cell's image holds its own geometry with the images of its placed cells
  // stamped in; a cell whose image is one pixel stamps as that pixel. A placement cycle is
  // skipped. Needs settings.images. Throws Error "Skipping too much magnification, run
  // Accurate Draw" for an image wider or higher than the view's window plus kImageMargin
  // pixels; what was drawn so far stays. Images that cost more than the pass's work units
  // give way to DrawCellHierarchy of the whole view.
  void DrawCellAccelerated(uint32_t cellId);

  // A pixel rectangle that collapses to points and lines when it has no width or height.
  static void DrawBox(PixelRaster& raster, int32_t x, int32_t y, int32_t w, int32_t h);

  // The work units a pass may spend per pixel of its raster: the full view of a large generated
  // layout at full detail spends about two thirds of it, its default views a fifth or less.
  static constexpr int64_t kWorkPerPixel = 384;
  // What visiting an array element, and opening an array (finding its elements in the window),
  // cost in pixels written.
  static constexpr int64_t kElementWork = 128;
  static constexpr int64_t kArrayWork = 16384;
  // The cell-size limit below which the hierarchy draws placed cells through their images.
  static constexpr int32_t kImageCellSizeLimit = 100;
  // How far (pixels) a cell image may exceed the view's window in either direction.
  static constexpr int32_t kImageMargin = 600;
  // Images built inside images, at most: deeper, cells are drawn directly (on the drawer's
  // own stack), so that a deep hierarchy never recurses deeply.
  static constexpr int32_t kMaxImageNesting = 16;

 private:
  // A cell to draw with its placements: its window in its own coordinates, the placement that
  // takes it to the view and the levels left.
  struct CellVisit {
    uint32_t cellId = 0;
    Box window;
    Trans placement;
    int32_t level = 0;
  };
  // A cell on the walk's path whose placements are being drawn: the placement entry found last
  // and, while an array is in hand, its elements still to visit.
  struct PlacementFrame {
    CellVisit visit;
    Cell* cell = nullptr;
    SpatialNode* entry = nullptr;
    const ARef* array = nullptr;
    Cell* placed = nullptr;
    ArraySamples elements;
  };

  // A drawer into image for a cell image that outer builds: one image deeper, on outer's path.
  CellDrawer(CellDrawer& outer, PixelRaster& image);

  // A cell of the accelerated walk whose placements are being stamped: into its image, or for
  // the shown cell (image null) into the drawer's raster. While a placed cell is being imaged,
  // its placement waits here (pending) to be stamped once the placed cell's frame is done.
  struct ImageFrame {
    uint32_t cellId = 0;
    Cell* cell = nullptr;
    PixelRaster* image = nullptr;
    SpatialNode* entry = nullptr;
    const ARef* array = nullptr;
    ArraySamples elements;
    bool pending = false;
    uint32_t pendingId = 0;
    Trans pendingPlacement;
  };

  // The cell of id loaded as drawing loads it; null when it is missing or unreadable.
  Cell* ReadyCell(uint32_t id);
  // The walk of DrawCellHierarchy; without geometry the first cell's own shapes are left out.
  int64_t WalkHierarchy(const CellVisit& visit, bool geometry);
  // The cell's own geometry (unless geometry is false); a cell with placements stays on the
  // stack until they are drawn.
  int64_t EnterCell(const CellVisit& visit, std::vector<PlacementFrame>& stack, bool geometry = true);
  // Draws the frame's placements up to the next cell to draw in full, which it gives in next;
  // false when the frame is done.
  bool NextVisit(PlacementFrame& frame, CellVisit& next, int64_t& drawn);
  // The array's box when it stands for the elements; with elements to visit, keeps the array
  // in the frame.
  void StartArray(PlacementFrame& frame, const ARef& array, Cell& placed, int64_t& drawn);
  bool NextArrayElement(PlacementFrame& frame, CellVisit& next, int64_t& drawn);
  // The box (with its name) of an array of the frame's cell.
  void DrawArrayBox(const PlacementFrame& frame, const ARef& array, const Cell& placed, bool tooSmall);
  // True once the pass has spent its work units.
  bool OverBudget() const;
  bool VisitPlaced(const PlacementFrame& frame, uint32_t placedId, Cell& placed, const Trans& elementTrans,
                   CellVisit& next, int64_t& drawn);
  // An element to draw in full (true, in next), or its outline when too small or already on
  // the path.
  bool VisitElement(const PlacementFrame& frame, uint32_t placedId, Cell& placed, const Trans& elementTrans,
                    const Trans& composed, CellVisit& next, int64_t& drawn);
  // Whether the hierarchy draws the placed cell, whose window is window, through its image.
  bool UsesImage(uint32_t cellId, const Cell& cell, const Box& window) const;
  // The placed cell through its image, built first when this pass has not imaged it yet: its
  // own geometry, with its placements (down to level) drawn over it. Returns what was drawn.
  int64_t DrawThroughImage(uint32_t cellId, const Trans& placement, int32_t level);
  // The image of the cell's own geometry at the identity placement; true only when the image
  // is a single coloured pixel. Throws for an image too large for the window.
  bool BuildCellImage(uint32_t cellId, Cell& cell);
  // Colours the 1 x 1 image with the first visible layer (key order) that has shapes; false,
  // leaving it black, without one.
  bool SinglePixelColour(PixelRaster& image, const Cell& cell) const;
  // Every non-black pixel of the cell's image, taken back to database units, through placement
  // and forward to a device pixel: into the parent's image (pixels outside it dropped), or
  // without a parent into the drawer's raster. 1 when a pixel was stamped, else 0; -1 when the
  // parent's image is a single pixel and now coloured.
  int StampCellImage(uint32_t cellId, const Trans& placement, PixelRaster* parent);
  // Past the pass's work units, images cost more than they save (a deep chain of large cells
  // stamps every level into the next): the picture drawn so far goes, and the cell is drawn
  // with its hierarchy, without images.
  void DrawAccurateInstead(uint32_t cellId);
  // The next placement (array element) of the frame whose placed cell exists and has a box.
  bool NextImagePlacement(ImageFrame& frame, uint32_t& placedId, Trans& placement);
  // Device pixels of a box in view coordinates: left, top, right, bottom. False when a
  // corner lies outside the 32-bit range.
  bool DeviceBox(const Box& box, int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const;
  // The box (view coordinates) of a placement; with names shown and a box wider than 59 pixels
  // also the orientation tick and the label.
  void DrawPlacementBox(const Box& box, int orientation, bool highlighted, const std::string& label);
  void SelectOutlinePen();

  // The pen of a layer's colour word.
  static RasterColour LayerPenColour(uint32_t word);
  // False for a hidden layer; else sets pen and brush of the layer.
  bool SetLayerStyle(LayerKey key);
  uint32_t LayerColour(LayerKey key) const;
  bool IsHidden(LayerKey key) const;

  int64_t DrawQueriedShapes(Cell& cell, const Box& window, const Trans& placement, bool moves, bool texts);
  void DrawText(const TextItem& text, const Trans& placement, bool moves);
  // A text in the current text colour with its top left corner at (x, y).
  void StampText(const std::string& text, int32_t x, int32_t y);
  // The device box of a record at (x, y) through the placement, from the record's box; the
  // points too (their count returned) only when the shape is drawn as a polygon, else 0.
  size_t ShapeToDevice(const DBPolygon& record, int32_t x, int32_t y, const Trans& placement, bool moves, Box& device);
  // Decodes a record at (x, y) into the point buffer through the placement; sets the device box.
  size_t DecodeToDevice(const DBPolygon& record, int32_t x, int32_t y, const Trans& placement, bool moves, Box& device);
  size_t RingToDevice(const RingVertex* start, const Trans& placement, bool moves, Box& device);
  void DrawShape(size_t n, const Box& device);
  // DrawShape, except that a point or line on the same device box as the one before is skipped.
  void DrawQueriedShape(size_t n, const Box& device, Box& previous);
  void StorePoint(size_t i, const Point& p, Box& device);
  void DrawShapeList(const ShapeGroupList& list, const Trans& placement, bool moves, int64_t& drawn);
  void DrawCellTexts(const Cell& cell, const Trans& placement, bool moves);

  Library& library_;
  // Null when drawing into a caller's raster.
  wxDC* dc_;
  const ViewMapping& view_;
  const DrawSettings& settings_;
  FillTiles& tiles_;
  SizeTest sizeTest_;
  std::optional<PixelRaster> ownRaster_;
  PixelRaster& raster_;
  TextStamps& stamps_;
  RasterColour textColour_;
  std::vector<Point> points_;
  // The cells whose placements are being drawn, shared with the drawers of the images that
  // they build: a cell is never entered again while its placements are walked, which would
  // also re-index it under the walk.
  std::vector<uint8_t> ownPath_;
  std::vector<uint8_t>* onPath_;
  // The raster's work when the pass started, the pass's limit, the array elements visited and
  // the arrays opened.
  int64_t workAtStart_;
  int64_t workLimit_;
  int64_t elementsVisited_ = 0;
  int64_t arraysOpened_ = 0;
  // How many images are being built around this drawer (a drawer that builds one image's
  // placements is one deeper than the drawer that asked for the image).
  int32_t imageNesting_ = 0;
  // Pixels of images made and stamped in this drawer, and whether it has given images up.
  int64_t imageWork_ = 0;
  bool imagesOff_ = false;
  // Scratch of StampCellImage: the device pixel each image column and row maps to.
  std::vector<int32_t> stampColumns_;
  std::vector<int32_t> stampRows_;
};
