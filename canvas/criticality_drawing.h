#pragma once

#include "canvas/view/criticality.h"

class wxDC;
struct ViewMapping;

// Draws the boxes of data that overlap the visible window of view (strictly: sharing an
// interior) onto dc, each with a 1-pixel pen of its CriticalityColour and a brush of that
// colour in data's brush style; the stipple style fills with dots of the colour at every column
// and row 3 + 4k. Part of the scene: it draws over the layout of the same pass.
void DrawCriticality(wxDC& dc, const ViewMapping& view, const CriticalityData& data);
