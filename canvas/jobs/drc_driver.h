#pragma once

#include <string>

#include "db/box.h"

// The driver script that hands one area of a cell to the external rule engine: four lines
// naming the engine's log, the library, the cell with the area in nanometres, and the user's
// rule script.

// The driver's file name, written in the current working directory.
constexpr const char* kDrcDriverName = "korvane_drc.tcl";

// value as one Tcl word: unchanged when it holds no blank and no character Tcl treats
// specially (so drivers of ordinary names stay as they always were), braced when that keeps it
// literal, else with every special character backslash-escaped. The same form is a literal list
// element inside the braces of the "Areas" line.
std::string TclWord(const std::string& value);

// The four lines of the driver, each ended by "\n". libPath and rulePath are absolute; area is
// in database units and becomes nanometres as floor(v * nmPerUnit + 0.5).
std::string DrcDriverText(const std::string& libPath, const std::string& cell, const Box& area, double nmPerUnit,
                          const std::string& rulePath);

// The area checked: the last zoomed area while the view is magnified (magnification above 1)
// and that area is not empty, else the shown cell's box.
Box AreaChoice(double magnification, const Box& lastZoomedArea, const Box& cellBox);

// path made absolute against directory and with "." and ".." resolved, without a trailing
// "/": the form the driver names the library and the rule script in.
std::string AbsolutePathFrom(const std::string& directory, const std::string& path);
