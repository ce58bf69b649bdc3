#include "canvas/edit/library_save.h"

#include "canvas/edit/cell_recalculation.h"
#include "db/library.h"

void SaveLibraryChanges(Library& library) {
  RecalculateCells(library);
  library.Save();
}
