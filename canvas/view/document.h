#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "canvas/view/cell_images.h"
#include "db/optimize_library.h"

class Library;
class ViewSession;

// What an edit of a library changed, for Document::Edited; the bits combine.
enum DocumentChange : uint32_t {
  // Cells, their contents, placements or boxes, or the cell table: pointers into contents may
  // be stale and every view draws anew.
  kContentsChanged = 1u << 0,
  // The layer table: its visibility, colours, styles, names or keys. Every layer list follows.
  kLayersChanged = 1u << 1,
  // The database unit: every view takes its units and grid anew.
  kUnitsChanged = 1u << 2,
  // A cell's box, kept in "info" rather than in its contents: every view draws anew.
  kBoxChanged = 1u << 3,
};

// One open library and the views on it: it owns the library (shared by the sessions that show
// it; the last to go frees it), the cell images that every view on it stamps from, and the list
// of those views. Whatever a view changes in the library that the others show goes through
// Edited, which makes every view follow; the library-wide commands (Clear Memory, Optimize DB,
// Save DB) and the question before unsaved changes are lost live here once.
class Document {
 public:
  explicit Document(std::shared_ptr<Library> library);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  Library& GetLibrary() const { return *library_; }
  const std::shared_ptr<Library>& SharedLibrary() const { return library_; }
  CellImages& Images() { return images_; }
  // The sessions on the library, oldest first.
  const std::vector<ViewSession*>& Sessions() const { return sessions_; }
  // A session joins when it shows the library and leaves when it shows another or goes; it
  // takes the layers of its text-polygon overlay with it.
  void Attach(ViewSession& session);
  void Detach(ViewSession& session);

  // Follows a change of the library (DocumentChange bits): contents move the edit generation
  // and clear the cell images; every session drops what the change made stale, takes new units,
  // refreshes its layer list when the layers changed, and draws anew.
  void Edited(uint32_t what);

  bool HasUnsavedChanges() const;
  // "Library <directory> has unsaved changes, close anyhow?"
  std::string UnsavedChangesQuestion() const;

  // Clear Memory: every session drops its selection and pick, the cells that no session shows
  // are unloaded (modified cells stay), and every view draws anew. Returns the cells unloaded.
  int64_t ClearMemory();
  // Optimize DB: every session drops its selection, the large cells are tiled and written,
  // and when tiles were made every view draws anew. Errors propagate.
  OptimizeResult Optimize();
  // Recalculate Cells when the hierarchy is due: every view follows the new boxes. False when
  // nothing was due.
  bool Recalculate();
  // Save DB: the recalculation when due, then what the change bits call for. An Error
  // propagates; the library on disk still opens, with its old contents or the new.
  void Save();

 private:
  std::shared_ptr<Library> library_;
  CellImages images_;
  std::vector<ViewSession*> sessions_;
};
