#include "canvas/stipple_brushes.h"

#include <wx/bitmap.h>
#include <wx/image.h>

namespace {

constexpr int kPatternSize = 32;

}  // namespace

const wxBrush& StippleBrushes::Get(uint32_t colour) {
  auto found = brushes_.find(colour);
  if (found != brushes_.end()) return found->second;
  // Black is the transparent colour: layer colours keep blue at 8 or more.
  wxImage image(kPatternSize, kPatternSize, true);
  for (int y = 3; y < kPatternSize; y += 4) {
    for (int x = 3; x < kPatternSize; x += 4) {
      image.SetRGB(x, y, colour & 0xff, (colour >> 8) & 0xff, (colour >> 16) & 0xff);
    }
  }
  image.SetMaskColour(0, 0, 0);
  wxBitmap pattern(image, 24);
  return brushes_.emplace(colour, wxBrush(pattern)).first->second;
}
