#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "db/box.h"
#include "db/cell.h"

class Library;

// Writing library contents out as files: the shown cell with the part of its hierarchy that a
// window reaches, its geometry in a window flattened into one cell, or the whole library.
// Every output is written under a temporary name beside its path and takes the path only once
// complete: after an Error (thrown as the writers throw it) no file is left under the path, and
// an older file of that name stays as it was.

// The output type codes of the extraction dialog.
constexpr int kExtractOasis = 0;
constexpr int kExtractGds = 1;
constexpr int kExtractText = 2;

// The layer keys an extraction writes: with visibleOnly, every layer of the library's layer map
// that is not hidden (colour bit 31 clear); otherwise none. An empty set stands for every layer,
// so that visible layers only with every layer hidden writes all layers.
std::set<LayerKey> ExtractionLayers(const Library& library, bool visibleOnly);

// The last zoomed area when areaLastZoomed is on and that area has a positive width and height;
// otherwise the shown cell's box.
Box ExtractionWindow(bool areaLastZoomed, const Box& lastZoomedArea, const Box& cellBox);

// GDSII output is compressed exactly when the name's extension is "gz" (case-sensitive).
bool IsGzipName(const std::string& path);

// Cell id and the cells that window (in its coordinates) reaches below it, as GDSII (type 1)
// or OASIS (type 0), each written once and limited to the union of the windows through which
// it was reached. A placement reaching an array with one element takes that element's window;
// with several, the placed cell's whole box. Marks left on cells by earlier walks are cleared
// first, so that only cells reached now are written; OASIS leaves out reached cells whose box
// is empty. Returns the number of cells written.
int64_t ExtractHierarchical(Library& library, uint32_t cellId, const Box& window, int type,
                            const std::set<LayerKey>& layers, const std::string& path);

// The polygons of cell id and of every cell below it inside window, in the cell's coordinates
// and cut to the window, one ring set per layer: as text polygons (type 2; every layer's rings
// one after another in one file, which is made even when nothing lies in the window), as one
// GDSII structure (type 1) or one OASIS cell (type 0) named like the cell. Texts are left out.
// Logs "  (%d %d): %d polygons\n" per layer in key order. Returns the number of layers written.
int64_t ExtractFlat(Library& library, uint32_t cellId, const Box& window, int type, const std::set<LayerKey>& layers,
                    const std::string& path);

// The whole library, limited to layers unless that is empty.
void WriteGDS(Library& library, const std::set<LayerKey>& layers, const std::string& path);
void WriteOASIS(Library& library, const std::set<LayerKey>& layers, const std::string& path);
