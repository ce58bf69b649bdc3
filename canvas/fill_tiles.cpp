#include "canvas/fill_tiles.h"

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include "canvas/view/pixel_raster.h"
#include "db/layer_info.h"

namespace {

std::vector<uint8_t> StippleTile(uint32_t colour) {
  std::vector<uint8_t> tile(size_t(kRasterTileSize) * kRasterTileSize * 3, 0);
  for (int y = 3; y < kRasterTileSize; y += 4) {
    for (int x = 3; x < kRasterTileSize; x += 4) {
      uint8_t* p = &tile[(size_t(y) * kRasterTileSize + size_t(x)) * 3];
      const ColourBytes bytes = BytesOfColourWord(colour);
      p[0] = bytes.red;
      p[1] = bytes.green;
      p[2] = bytes.blue;
    }
  }
  return tile;
}

// One tile filled with the toolkit's brush of that style on black.
std::vector<uint8_t> BrushTile(uint32_t style, uint32_t colour) {
  wxBitmap bitmap(kRasterTileSize, kRasterTileSize, 24);
  {
    wxMemoryDC dc(bitmap);
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    const ColourBytes bytes = BytesOfColourWord(colour);
    wxColour pen(bytes.red, bytes.green, bytes.blue);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(pen, wxBrushStyle(style)));
    dc.DrawRectangle(0, 0, kRasterTileSize, kRasterTileSize);
  }
  wxImage image = bitmap.ConvertToImage();
  return std::vector<uint8_t>(image.GetData(), image.GetData() + size_t(kRasterTileSize) * kRasterTileSize * 3);
}

}  // namespace

const uint8_t* FillTiles::Get(uint32_t style, uint32_t colour) {
  auto key = std::make_pair(style, colour);
  auto found = tiles_.find(key);
  if (found == tiles_.end()) {
    found = tiles_.emplace(key, style == wxBRUSHSTYLE_STIPPLE ? StippleTile(colour) : BrushTile(style, colour)).first;
  }
  return found->second.data();
}
