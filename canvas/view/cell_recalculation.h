#pragma once

class Library;

// Brings the cell boxes, the hierarchy records, the order, the depth and the roots up to date
// after edits, when the library's hierarchy bit (HierarchyDue) says they are due; false,
// with nothing done, when it is clear. Cells not in memory have only their placements read
// for it and are unloaded again afterwards, also when an Error ends it (which propagates with
// the bit still set). A modified cell's box starts from its own shapes and texts; every box
// then grows by the placements, leaves first. Notes the recalculation (NoteHierarchyRecalculated),
// which moves the edit generation, so that every view drops its pick.
bool RecalculateCells(Library& library);
