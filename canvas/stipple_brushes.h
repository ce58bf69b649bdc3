#pragma once

#include <wx/brush.h>

#include <cstdint>
#include <map>

// Stipple brushes by layer colour. On GTK a stipple brush keeps the bitmap's own colours (the
// text colour does not tint it), so each layer colour gets its own 32 x 32 pattern: a dot in
// the layer colour at every column and row 3 + 4k, the rest transparent.
class StippleBrushes {
 public:
  // colour: red bits 0-7, green 8-15, blue 16-23 (blue at least 8, so never black).
  const wxBrush& Get(uint32_t colour);

 private:
  std::map<uint32_t, wxBrush> brushes_;
};
