#pragma once

#include <wx/font.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// A text as the toolkit draws it in white on black with antialiasing off: per pixel and
// channel its coverage, to be blended in the text colour, cut to the pixels it touches. dx, dy
// place the stamp relative to the point the text is drawn at (its top left corner).
struct TextStamp {
  int32_t dx = 0;
  int32_t dy = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> coverage;
};

// Stamps of texts, each drawn once with one font and kept across drawing passes (at most
// kMaxStamps of them: past that the cache starts over).
class TextStamps {
 public:
  static constexpr size_t kMaxStamps = 8192;

  // Stamps from now on are drawn with font; a change of font drops the stamps made so far. An
  // invalid font keeps the one in use (the canvas's usual font when there is none yet).
  void UseFont(const wxFont& font);
  const TextStamp& Get(const std::string& utf8);

 private:
  wxFont font_;
  std::unordered_map<std::string, TextStamp> stamps_;
};
