#pragma once

class Library;

// Save DB: the recalculation of boxes and hierarchy when it is due, then the changed cells and
// the index files that the library's change bits call for (Library::Save). An Error propagates;
// the library on disk then still opens, with its old contents or the new.
void SaveLibraryChanges(Library& library);
