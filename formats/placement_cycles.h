#pragma once

class Library;

// After Library::BuildHierarchy at the end of an import: when a cell was left out of the
// hierarchy order, it lies on or below a cycle of placements, and the import ends with
// Error(tag, "Recursive cell reference involving %s") naming a cell on the cycle.
void CheckPlacementCycles(const Library& library, const char* tag);
