#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/binary_file.h"
#include "db/box.h"
#include "db/cell.h"
#include "db/cell_data_reader.h"
#include "db/hierarchy_record.h"
#include "db/layer_info.h"
#include "db/shape_table.h"

class LibraryLock;
class SRef;

// Library flag bits: what saving must write, and whether the library is on disk.
constexpr uint32_t kLibInfoDirty = 0x80000000u;
constexpr uint32_t kLibOnDisk = 0x40000000u;
constexpr uint32_t kLibNamesDirty = 0x20000000u;
constexpr uint32_t kLibNamesWritten = 0x10000000u;
constexpr uint32_t kLibCellsChanged = 0x08000000u;
constexpr uint32_t kLibHierarchyDirty = 0x04000000u;
constexpr uint32_t kLibParentsDirty = 0x02000000u;
constexpr uint32_t kLibTextsDirty = 0x01000000u;

// The in-memory handle of one library directory: units, cells by id, the name map, the string
// table of texts, the layer map, roots and hierarchy records, and the one cell data file that
// is open. It owns its cells. Index files: library_index_files.cpp; cell data files:
// cell_data_file.cpp.
//
// On disk the directory holds "info" (or "info.gz"), "names", "texts", "parents" and the cell
// data files "db<id>" (or "db<id>.gz"). Reading validates every count, id and position against
// the file and the tables; corruption throws Error(kTagLibIn, ...). Writing throws
// Error(kTagLibOut, ...) and never leaves a library that does not open, even after a power cut:
// a save commits at one point (library_commit.cpp), and a cell's new section is referred to only
// once it is on the disk. A process writes a library only while it holds the directory's lock
// (LibraryLock), taken when the library is opened or first written.
class Library {
 public:
  // Data files start anew once the current one has reached this many (uncompressed) bytes.
  static constexpr int64_t kDefaultRollOverBytes = 1000000000;

  Library(std::string directory, bool gzip);
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Cells and names.
  // Appends a new cell named name and gives its id. The name should be new (MakeCellName): an
  // existing name keeps its old id, and the new cell shares its entry. The cell counts as
  // loaded (its contents are whatever is built in memory).
  uint32_t CreateCell(const std::string& name);
  // base, "_" unless base ends with "_", suffix, number; the number is incremented until the
  // name is not in the name map.
  std::string MakeCellName(const std::string& base, const std::string& suffix, int number) const;
  // The id of the named cell, or -1.
  int32_t FindIndex(const std::string& name) const;
  void ClearVisitedBits();
  // The cell with that id, or null when the id is out of range or has no cell.
  Cell* GetCell(int64_t id) const;
  int64_t CellCount() const { return int64_t(cells.size()); }
  // The index of text in the string table, entered at the end when new.
  uint32_t AddString(const std::string& text);
  // String textId of the table; "" for an id outside it (texts may outlive a lost "texts").
  const std::string& TextString(uint32_t textId) const;

  // True when path names the library's directory, however spelled (a trailing "/", a link).
  bool IsInDirectory(const std::string& path) const;

  // Change notes (library_changes.cpp): every edit tells the library what it changed, and the
  // library sets the change bits that saving reads. The notes of edits to cell contents,
  // placements or the cell table also move editGeneration, so that whoever keeps pointers into
  // them drops them.
  // The contents of cell changed, and its box may have changed from boxBefore: the cell, and
  // "info" with the hierarchy when the box changed, are due.
  void NoteCellEdited(Cell& cell, const Box& boxBefore);
  // The placements of holder changed: its section and "parents" are due.
  void NotePlacementsChanged(Cell& holder);
  // An element whose box is elementBox left cell: when it reached the cell's box, that box may
  // now be too large, and the hierarchy is due.
  void NoteElementRemoved(const Cell& cell, const Box& elementBox);
  // What "info" holds changed: the units, the layer table or a cell's box.
  void NoteInfoChanged();
  // The boxes, roots, order or depth are due for recalculation.
  void NoteHierarchyChanged();
  // Appends a new, empty cell made by an edit (New Library, Create Cell): it counts as modified,
  // and its data, "info" and "names" are due. The name should be new, as for CreateCell.
  uint32_t CreateEditedCell(const std::string& cellName);
  // Removes cell id from the cell table and the name map (cells of one name share the map's
  // entry: it goes with the last of them), and from the roots and the order until the next
  // recalculation; "info", "names", "parents" and the hierarchy are due.
  void DeleteCell(uint32_t id);
  // The string table's index of a text typed by an edit; a new string makes "texts" due.
  uint32_t AddEditedString(const std::string& text);
  // The recalculation has brought the boxes and the hierarchy up to date: "info" is due and the
  // hierarchy no longer is.
  void NoteHierarchyRecalculated();
  // Cell contents were freed or entered anew without an edit (memory released, cells tiled).
  void MoveEditGeneration() { ++editGeneration; }
  // Reads of the bits: whether a recalculation is due, whether cells or "info" changed since
  // the last save, and whether a save would write anything the user changed.
  bool HierarchyDue() const { return (flags & kLibHierarchyDirty) != 0; }
  bool CellsEdited() const { return (flags & (kLibInfoDirty | kLibCellsChanged)) != 0; }
  bool HasUnsavedChanges() const;

  // Index files (library_index_files.cpp).
  // True when directory already holds the index of a library ("info" or "info.gz"), or the
  // commit of one that was cut short.
  static bool DirectoryHoldsLibrary(const std::string& directory);
  // Takes the directory's lock, finishes a commit that was cut short, then ReadInfo, ReadNames
  // and ReadTexts, in that order, into a fresh library. A library that another process has
  // open throws Error(kTagLibLock, ...) before anything is read or written.
  void Open();
  void ReadInfo();
  void ReadNames();
  void ReadTexts();
  // Writes the index files named by files (kLibInfoDirty, kLibNamesDirty, kLibTextsDirty,
  // kLibParentsDirty; "texts" only when there are strings, "parents" only when there is one
  // hierarchy record per cell id) and puts them in place in one commit, after syncing the cell
  // data files written since the last commit (library_commit.cpp). The end of an import calls
  // it with all four. A failure before the commit point leaves the old files; one after it, the
  // new ones, finished by the next open or save.
  void WriteIndexFiles(uint32_t files);
  // Writes what the flags call for: the changed cells and "info", then "names", "texts" and
  // "parents". A due recalculation of the hierarchy (kLibHierarchyDirty) is the caller's,
  // before this.
  void Save();

  // Cell data files (cell_data_file.cpp).
  // Opens data file id: for writing through the library's file (closing nothing) with mode,
  // or, after closing what is open, for reading through its cell-data reader.
  bool OpenCellFile(uint32_t id, bool write, int mode);
  // Closes the data files; a failed final write throws.
  void CloseCellFile();
  // "db<id>" in the library directory, with ".gz" in a compressed library.
  std::string DataPath(uint32_t id) const;
  // Ends a write sequence that is open, then opens the cell's data file for reading when
  // needed and stands at the start of its section.
  void SeekCellData(const Cell& cell);
  // SeekCellData, then on to the first placement record of the cell's placement section.
  void SeekPlacementSection(const Cell& cell);
  // Reads the cell's section unless the cell is loaded. With index, shapes and texts also go
  // into the layer records' indexes; placements always do. On failure the cell is left
  // unloaded and empty, and the Error propagates.
  void LoadCell(Cell& cell, bool index);
  // Reads only the placement section into the placement index, unless the cell is loaded or
  // already holds its placements.
  void LoadCellReferences(Cell& cell);
  // A new placement for a decoded placement record; null for a placement of a missing or void
  // cell, which is read and dropped.
  SRef* PlacementOf(const ARef& decoded) const;
  // One placement record after previous (null for the first); previous becomes ref.
  void WriteReference(const SRef& ref, const SRef*& previous);
  // Opens the file that the cell's section goes to, positioned at its end.
  void OpenCellFileForWrite(Cell& cell);
  // Layer blocks of the shape lists, then one block per text. Sets the geometry position.
  void WriteCellGeometry(Cell& cell);
  // The placement section when there are placements; sets the reference and end positions.
  void WriteCellReferences(Cell& cell);
  // The placement section of a cell being imported, after its geometry in the open data file:
  // placements as given (sorted, without duplicates), or none with kCellNoPlacements set. Sets
  // the reference and end positions (library_import_references.cpp).
  void WriteImportReferences(Cell& cell, const std::vector<ARef>& placements);
  // The placements of record: in memory, or read back from its cell's section once written
  // (into scratch, whose contents are replaced).
  const std::vector<ARef>& ImportedPlacements(const ImportRecord& record, std::vector<ARef>& scratch);
  // Appends every modified, non-void cell anew and clears its modified flag once the data file
  // has been closed without error. On failure every cell keeps its old section and its flag.
  void WriteChangedCells();

  // Hierarchy records, roots and bounding boxes (hierarchy.cpp).
  // Adds the placements of cell id (its placement index) to the records of the cells it places.
  void RecordParents(uint32_t id);
  // Rebuilds the records from the placement indexes of the cells in memory.
  void FinishImportPass();
  // Rebuilds the records from the import records; ids beyond the cells are skipped.
  void FinishImport();
  // Orders the cells breadth-first from the roots, sets levels and depth. Cells on or below a
  // placement cycle are left out of the order, with a warning.
  void BuildHierarchy();
  // roots = the cells of level 0, in hierarchy order.
  void CollectRoots();
  // Grows every cell's box by its imported placements, leaves first; then frees the import
  // records.
  void PropagateBoundingBoxes();
  // Re-indexes placements whose box changed, leaves first; true when a cell's box grew. Boxes
  // never shrink here.
  bool RefreshPlacementBoxes();

  // Window walks (hierarchy_walk.cpp). A walk never enters a cell that is already on its path:
  // such placements are skipped with one warning per walk.
  // Sets the visited bit of every cell that window (in cell id's coordinates) reaches below id,
  // loading it, and grows its record's window by the window in its own coordinates.
  void WalkHierarchy(uint32_t id, const Box& window);
  // Appends to out, per layer key that layers admits (empty: all), every shape of cell id and
  // its descendants that overlaps window (in id's coordinates), taken through trans and cut to
  // window taken through trans. Texts are left out.
  void WalkHierarchyExtract(uint32_t id, const Box& window, const Trans& trans, const std::set<LayerKey>& layers,
                            std::map<LayerKey, RingSet>& out);
  // Appends to out, per shape layer of cell in key order, the shapes that overlap window, cut
  // to it. Mode 0 takes layer numbers up to 255 only, any other mode every shape layer; a
  // non-empty filter admits only its keys. With flag the vertices carry kVertexOperandB.
  void MergeLayerMaps(Cell& cell, const Box& window, std::map<LayerKey, RingSet>& out, const std::set<LayerKey>& filter,
                      int mode, bool flag);

  // Tiling of large cells (library_tiling.cpp).
  // Tiles every cell with shapes in its data file whose box is wider or higher than size
  // (database units), rewrites it, and unloads it again when the pass loaded it. Returns the
  // tiles made; 0 when nothing changed. Tiles are not tiled again in a later pass.
  int64_t TileLargeCells(int64_t size);
  // Moves the shapes of cell id into tile cells "<name>_ich<k>" (k from 0, rows outer from the
  // bottom), each placed once in the cell; texts and placements stay. Nothing is done when the
  // shapes fit in size plus 1 um. With write each tile is written and released once complete.
  // From the first tile on the index files and the hierarchy are due. On failure the cell keeps
  // its shapes and the tiles made become void. Returns the tiles made.
  int64_t TileLargeCell(uint32_t id, int64_t size, bool write);

  std::string name;
  std::string directory;
  bool gzip;
  uint32_t flags = 0;
  uint16_t version = 0;
  // Id of the data file that receives new cells; 0 before the first save.
  uint16_t currentFileId = 0;
  double userUnit = 0.001;
  // Metres per database unit.
  double dbUnit = 1e-9;
  double outputScale = 1.0;
  double unitsPerNm = 1.0;
  int64_t rollOverBytes = kDefaultRollOverBytes;
  // Moves on with every edit of cells, their contents or placements (never stored), so that
  // whoever keeps pointers into cell contents knows to drop them.
  uint64_t editGeneration = 0;
  // The grid setting that chooses how densely grid points may be drawn; 0 unless set (never
  // stored).
  int32_t gridSetting = 0;

  // Indexed by cell id; a slot may be null.
  std::vector<std::unique_ptr<Cell>> cells;
  std::map<std::string, uint32_t> nameMap;
  std::map<std::string, uint32_t> textMap;
  std::vector<std::string> strings;
  std::vector<uint32_t> roots;
  // One per cell id once the hierarchy has been built; "parents" is written from it.
  std::vector<HierarchyRecord> records;
  uint32_t depth = 0;
  std::map<LayerKey, LayerInfo> layerMap;
  // Cell ids in hierarchy order, roots first (BuildHierarchy).
  std::vector<uint32_t> order;
  // The placements an import read, per cell it defined, and per cell id the index of its
  // import record (-1: none). Freed by PropagateBoundingBoxes.
  std::vector<ImportRecord> importRecords;
  std::vector<int32_t> importIndex;

 private:
  // The file whose presence says that the staged index files are the library (library_commit.cpp).
  static constexpr const char* kCommitFile = "commit";

  std::string IndexPath(const char* file) const;
  // Takes the directory's lock unless this library holds it.
  void LockDirectory();
  // Renames the staged index files of a commit that was cut short into place.
  void FinishPendingCommit();
  // Syncs the cell data files written since the last commit, after closing the one open.
  void SyncCellFiles();
  void WriteIndexFile(uint32_t bit, const std::string& path);
  void WriteInfo(const std::string& path);
  void WriteNames(const std::string& path);
  void WriteTexts(const std::string& path);
  void WriteParents(const std::string& path);
  void ReadCellEntries(BinaryFile& file, uint32_t count);
  void ReadShapeLayer(Cell& cell, LayerKey key, uint32_t groups, bool index);
  void ReadPlacementSection(Cell& cell);
  void OpenFreshCellFile();
  bool OpenForAppend(uint32_t id);
  void AbandonCellFile();

  // The directory's lock, held from the open or the first write until the library is gone.
  std::shared_ptr<LibraryLock> lock_;
  // The data file that cells are written to, and its id (0: none open).
  BinaryFile dataFile_;
  uint32_t openFileId_ = 0;
  // Every section is read through it.
  CellDataReader reader_;
  // Gzip libraries never append to an existing compressed file: the file that this write
  // sequence created, which it may go on writing while it stays open (0: none).
  uint32_t freshFileId_ = 0;
  // The table a layer of shape lists is written through, kept so that its memory serves
  // every cell written.
  ShapeTable writeTable_;
  // The cell data files written since the last commit, by id, with the length their sections
  // give them (-1 for gzip files, whose positions count uncompressed bytes); whether one of
  // them was created.
  std::map<uint32_t, int64_t> unsyncedCellFiles_;
  bool cellFileCreated_ = false;
};
