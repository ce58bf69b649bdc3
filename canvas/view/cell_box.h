#pragma once

class CanvasPrompts;
class Cell;

// Gives a cell without a box (empty, or with inverted corners) the rough box the user types in
// micrometres (default -10 -10 10 10), stored with ordered corners: an inverted box would
// mirror the view and be saved so. A cell with a box is left alone and nothing is asked.
void EnsureCellBox(Cell& cell, double nmPerUnit, CanvasPrompts& prompts);
