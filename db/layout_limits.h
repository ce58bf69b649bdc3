#pragma once

#include <string>

#include "db/box.h"

class SRef;

// The values a library can hold. The edit commands refuse, the readers skip or refuse and the
// writers never write anything beyond them, so that what is stored reads back unchanged.

// Metres per database unit: 1 pm to 1 mm. Every unit of the range keeps positions in reader
// messages and tile sides within 32 bits, and both file formats write it so that it reads back.
constexpr double kSmallestDbUnit = 1e-12;
constexpr double kLargestDbUnit = 1e-3;
bool IsStorableDbUnit(double metres);

// A magnification is kept as a 32-bit float: finite and above 0 once converted.
bool IsStorableMagnification(double magnification);

// Whether a placement of a cell whose box is cellBox stays within the 32-bit range: the box
// through the transform (magnification included) at the first and, for an array, at the last
// element, and the array's far corners (offset plus columns times the column pitch, and rows
// times the row pitch) that a GDSII array reference carries. An empty cell box always fits.
bool PlacementFits(const SRef& placement, const Box& cellBox);

// Whether a shape with this bounding box can be stored: its vertices are kept as 32-bit
// differences, so neither its width nor its height may exceed 2^31 - 1.
bool ShapeExtentFits(const Box& box);

// Control characters (bytes 0x00 to 0x1f and 0x7f) in a cell name: the line-based "names" file
// cannot hold some of them and no dialog can type them back.
bool HasControlCharacter(const std::string& text);
// Each control character replaced by "_".
std::string ReplaceControlCharacters(std::string text);
