#pragma once

#include <cstdint>
#include <string>

#include "canvas/view/edit_state.h"
#include "db/box.h"

// The length of a ruler in database units, computed in double (the squares pass 32 bits).
double RulerLength(const Ruler& ruler);

// The label of a ruler: its length in whole nanometres, truncated ("%d").
std::string RulerLabel(const Ruler& ruler, double nmPerUnit);

// Whether a ruler is shown in window: both of its ends lie inside (inclusive).
bool RulerShown(const Ruler& ruler, const Box& window);
