#pragma once

#include <wx/colour.h>

#include "canvas/view/display_settings.h"

// The toolkit's colour of a settings colour and back.
inline wxColour ToWxColour(const Rgb& c) { return wxColour(c.red, c.green, c.blue); }
inline Rgb ToRgb(const wxColour& c) { return Rgb{c.Red(), c.Green(), c.Blue()}; }
