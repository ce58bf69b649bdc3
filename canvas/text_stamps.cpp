#include "canvas/text_stamps.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/graphics.h>
#include <wx/image.h>

#include <algorithm>

namespace {

constexpr int32_t kMargin = 8;

// Keeps only the rows and columns of image (the stamp's size) that the text touches, so that
// blending costs no more than the glyphs.
void Trim(const wxImage& image, TextStamp& stamp) {
  const uint8_t* data = image.GetData();
  int32_t x1 = stamp.width, y1 = stamp.height, x2 = -1, y2 = -1;
  for (int32_t y = 0; y < stamp.height; ++y) {
    for (int32_t x = 0; x < stamp.width; ++x) {
      const uint8_t* p = data + (size_t(y) * size_t(stamp.width) + size_t(x)) * 3;
      if ((p[0] | p[1] | p[2]) == 0) continue;
      x1 = std::min(x1, x);
      x2 = std::max(x2, x);
      y1 = std::min(y1, y);
      y2 = std::max(y2, y);
    }
  }
  if (x2 < 0) {
    stamp.width = stamp.height = 0;
    return;
  }
  int32_t width = x2 - x1 + 1;
  stamp.coverage.reserve(size_t(width) * size_t(y2 - y1 + 1) * 3);
  for (int32_t y = y1; y <= y2; ++y) {
    const uint8_t* row = data + (size_t(y) * size_t(stamp.width) + size_t(x1)) * 3;
    stamp.coverage.insert(stamp.coverage.end(), row, row + size_t(width) * 3);
  }
  stamp.dx += x1;
  stamp.dy += y1;
  stamp.width = width;
  stamp.height = y2 - y1 + 1;
}

}  // namespace

void TextStamps::UseFont(const wxFont& font) {
  // A printer's context may report no font (the PostScript one does): the stamps keep theirs,
  // or take the canvas's usual one, since measuring without a font fails.
  if (!font.IsOk()) {
    if (!font_.IsOk()) UseFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
    return;
  }
  if (font_.IsOk() && font_.GetNativeFontInfoDesc() == font.GetNativeFontInfoDesc()) return;
  font_ = font;
  stamps_.clear();
}

const TextStamp& TextStamps::Get(const std::string& utf8) {
  auto found = stamps_.find(utf8);
  if (found != stamps_.end()) return found->second;
  if (stamps_.size() >= kMaxStamps) stamps_.clear();
  wxString text = wxString::FromUTF8(utf8.c_str());
  wxCoord w = 0;
  wxCoord h = 0;
  {
    wxMemoryDC measure;
    measure.SetFont(font_);
    measure.GetTextExtent(text, &w, &h);
  }
  TextStamp stamp;
  stamp.dx = -kMargin;
  stamp.dy = -kMargin;
  stamp.width = w + 2 * kMargin;
  stamp.height = h + 2 * kMargin;
  wxBitmap bitmap(stamp.width, stamp.height, 24);
  {
    wxMemoryDC dc(bitmap);
    if (wxGraphicsContext* gc = dc.GetGraphicsContext()) gc->SetAntialiasMode(wxANTIALIAS_NONE);
    dc.SetBackground(*wxBLACK_BRUSH);
    dc.Clear();
    dc.SetFont(font_);
    dc.SetTextForeground(*wxWHITE);
    dc.DrawText(text, kMargin, kMargin);
  }
  wxImage image = bitmap.ConvertToImage();
  Trim(image, stamp);
  return stamps_.emplace(utf8, std::move(stamp)).first->second;
}
