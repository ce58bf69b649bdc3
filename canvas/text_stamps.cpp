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

// Whether c ends a line of a drawn text (the toolkit breaks lines at each of them; "\r\n"
// counts once).
bool IsLineBreak(wxUniChar c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }

// How many of the ascending character ends lie below limit.
size_t CountEndsBelow(const std::vector<int>& ends, int64_t limit) {
  return size_t(std::lower_bound(ends.begin(), ends.end(), limit, [](int end, int64_t v) { return end < v; }) -
                ends.begin());
}

int32_t Saturated(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

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
  pieces_.clear();
  longTexts_.clear();
}

const TextStamp& TextStamps::Get(const std::string& utf8) {
  return Stamp(stamps_, kMaxStamps, wxString::FromUTF8(utf8.c_str()), utf8);
}

const TextStamp& TextStamps::Stamp(std::unordered_map<std::string, TextStamp>& cache, size_t limit,
                                   const wxString& text, const std::string& key) {
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  if (cache.size() >= limit) cache.clear();
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
  return cache.emplace(key, std::move(stamp)).first->second;
}

void TextStamps::Draw(const std::string& utf8, int32_t x, int32_t y, const StampWindow& window, const Blend& blend) {
  if (utf8.size() <= kWholeTextBytes) {
    blend(Get(utf8), x, y);
    return;
  }
  LongText& text = Split(utf8);
  // Glyphs may reach up to the margin beyond their line.
  const int64_t lineHeight = std::max(text.lineHeight, 1);
  const int64_t above = int64_t(window.top) - kMargin - y;
  const int64_t below = int64_t(window.top) + window.height + kMargin - y;
  for (int64_t line = std::max<int64_t>(0, above / lineHeight);
       line < int64_t(text.lines.size()) && line * lineHeight < below; ++line) {
    DrawLine(text, size_t(line), x, Saturated(y + line * lineHeight), window, blend);
  }
}

TextStamps::LongText& TextStamps::Split(const std::string& utf8) {
  auto found = longTexts_.find(utf8);
  if (found != longTexts_.end()) return found->second;
  if (longTexts_.size() >= kMaxLongTexts) longTexts_.clear();
  LongText text;
  const wxString whole = wxString::FromUTF8(utf8.c_str());
  size_t start = 0;
  for (size_t i = 0; i < whole.length(); ++i) {
    if (!IsLineBreak(whole[i])) continue;
    text.lines.push_back(whole.Mid(start, i - start));
    if (whole[i] == '\r' && i + 1 < whole.length() && whole[i + 1] == '\n') ++i;
    start = i + 1;
  }
  text.lines.push_back(whole.Mid(start));
  text.ends.resize(text.lines.size());
  wxMemoryDC measure;
  measure.SetFont(font_);
  wxCoord w = 0;
  wxCoord h = 0;
  measure.GetTextExtent("W", &w, &h);
  text.lineHeight = h;
  return longTexts_.emplace(utf8, std::move(text)).first->second;
}

void TextStamps::DrawLine(LongText& text, size_t line, int32_t x, int32_t y, const StampWindow& window,
                          const Blend& blend) {
  const wxString& characters = text.lines[line];
  if (characters.empty()) return;
  std::vector<int>& ends = text.ends[line];
  if (ends.empty()) {
    wxMemoryDC measure;
    measure.SetFont(font_);
    wxArrayInt widths;
    measure.GetPartialTextExtents(characters, widths);
    ends.assign(widths.begin(), widths.end());
    ends.resize(characters.length(), ends.empty() ? 0 : ends.back());
  }
  // The characters that end right of the window's left edge and start left of its right one,
  // with the margin their ink may reach beyond their advance.
  const int64_t from = int64_t(window.left) - kMargin - x;
  const int64_t to = int64_t(window.left) + window.width + kMargin - x;
  const size_t first = CountEndsBelow(ends, from + 1);
  const size_t last = to <= 0 ? 0 : std::min(ends.size(), CountEndsBelow(ends, to) + 1);
  if (first >= last) return;
  const wxString piece = characters.Mid(first, last - first);
  const int64_t offset = first == 0 ? 0 : ends[first - 1];
  blend(Stamp(pieces_, kMaxPieces, piece, std::string(piece.utf8_str())), Saturated(x + offset), y);
}
