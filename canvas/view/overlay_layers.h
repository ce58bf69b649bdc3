#pragma once

#include <map>
#include <string>
#include <vector>

#include "canvas/view/criticality.h"
#include "db/cell.h"
#include "db/library.h"

class CanvasPrompts;

// What a view lays over its picture and never saves: text polygons read as an overlay, under
// layer keys of their own, and a criticality map.
struct OverlayData {
  // Outside the library: its layer records index the rings, its box covers them.
  Cell cell;
  // The keys this view entered in the library's layer map for the overlay, oldest first.
  std::vector<LayerKey> addedKeys;
  CriticalityData criticality;

  bool HasPolygons() const;
};

// The key of a new overlay layer. From the largest key of layers (layer L, datatype D): 512/1
// when L read as a signed 16-bit number is below 512, else L/(D + 1) with the datatype wrapping
// to 0. When that key exists already, the next unused key above the largest; when none is
// left above it, the first unused key from 512/1 on. Keys of the placement layer are never
// given.
LayerKey OverlayLayerKey(const std::map<LayerKey, LayerInfo>& layers);

// The "Save into" list: one entry per layer in key order, "<name>  <name>" for a layer whose
// first name is set, else "%03d %03d" of the low 8 bits of its layer number and its datatype.
std::vector<std::string> LayerChoiceItems(const std::map<LayerKey, LayerInfo>& layers);

// Reads the text polygon file path and removes the collinear vertices of its rings. When
// rings remain, asks which layer to save them into: a layer makes them shapes of shown (loaded
// first when needed), whose box grows to cover them, with the change bits for saving set;
// Cancel (or no shown cell, or no layers to offer) makes them the overlay under a new key of
// OverlayLayerKey, entered in the layer map as black, solid and unnamed, and sets no change bit.
// A file that cannot be opened shows "The file reading failed" and changes nothing; false then.
// A cell that cannot be loaded throws its Error.
bool LoadTextPolygons(const std::string& path, Library& library, Cell* shown, OverlayData& overlay,
                      CanvasPrompts& prompts);

// Empties the overlay and erases from the layer map exactly the keys it entered; false (and
// nothing changes) when there was no overlay.
bool RemoveTextPolygons(Library& library, OverlayData& overlay);
