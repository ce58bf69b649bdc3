#pragma once

#include <string>
#include <vector>

#include "canvas/view/edit_state.h"

class CanvasPrompts;

// The hierarchy path of the last pick: one entry per placement that the pick's walk went
// through, from the shown cell down to the cell that holds the element. Empty unless there is
// a selection.

// The list entries of the path: the placed cell's name, with " (CxR)" for an array of C
// columns and R rows.
std::vector<std::string> HierarchyPathItems(const EditState& edit);

// The placement at position index of the path, with the cell that holds it and that cell's
// transform into the shown cell; none for an index outside the path.
SelectedInstance HierarchyPathInstance(const EditState& edit, int index);

// Lets the user choose a placement of the path ("Select cell to highlight instance",
// "Hierarchy Path"); none for Cancel or when there is no path.
SelectedInstance ChooseHierarchyPathInstance(const EditState& edit, CanvasPrompts& prompts);
