#pragma once

#include <optional>
#include <string>

class Library;

// The answer of Change DB Unit read as nanometres per database unit: a decimal number that
// fills the answer (blanks around it allowed) and gives a unit the library can hold, 0.001 to
// 1,000,000 nm (1 pm to 1 mm). Anything else gives nothing: a unit of 0 or an infinite one would
// divide drawing by zero, and one beyond the range would be saved and make the library or its
// exports unreadable.
std::optional<double> ParseDbUnit(const std::string& answer);

// Gives library the database unit of nmPerUnit nanometres: units per nanometre the nice value
// of 1 / nmPerUnit, the unit in metres 1e-9 over that, and "info" due for saving.
void ApplyDbUnit(Library& library, double nmPerUnit);
