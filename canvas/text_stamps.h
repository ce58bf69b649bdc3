#pragma once

#include <wx/font.h>
#include <wx/string.h>

#include <cstdint>
#include <functional>
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

// The pixels a text may show in: columns [left, left + width) and rows [top, top + height).
struct StampWindow {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// Stamps of texts, each drawn once with one font and kept across drawing passes (at most
// kMaxStamps of them: past that the cache starts over).
class TextStamps {
 public:
  static constexpr size_t kMaxStamps = 8192;
  // Texts of up to this many bytes are stamped whole: their picture stays far below the
  // toolkit's largest bitmap whatever their characters.
  static constexpr size_t kWholeTextBytes = 256;

  // Stamps from now on are drawn with font; a change of font drops the stamps made so far. An
  // invalid font keeps the one in use (the canvas's usual font when there is none yet).
  void UseFont(const wxFont& font);
  const TextStamp& Get(const std::string& utf8);

  // Hands blend the stamps that draw utf8 with its top left corner at (x, y), as far as it
  // shows in window, each with the point its dx, dy are relative to. A short text is one stamp; of a longer one only
  // the lines and characters that reach into the window are drawn, a piece per line, so that
  // no picture outgrows the window however long the text. The stamp given lives until the next
  // call.
  using Blend = std::function<void(const TextStamp& stamp, int32_t x, int32_t y)>;
  void Draw(const std::string& utf8, int32_t x, int32_t y, const StampWindow& window, const Blend& blend);

 private:
  // A long text split into its lines, with where each character of a line ends (measured when
  // the line is first drawn).
  struct LongText {
    std::vector<wxString> lines;
    std::vector<std::vector<int>> ends;
    int32_t lineHeight = 0;
  };
  static constexpr size_t kMaxLongTexts = 16;
  static constexpr size_t kMaxPieces = 256;

  const TextStamp& Stamp(std::unordered_map<std::string, TextStamp>& cache, size_t limit, const wxString& text,
                         const std::string& key);
  LongText& Split(const std::string& utf8);
  void DrawLine(LongText& text, size_t line, int32_t x, int32_t y, const StampWindow& window, const Blend& blend);

  wxFont font_;
  std::unordered_map<std::string, TextStamp> stamps_;
  std::unordered_map<std::string, TextStamp> pieces_;
  std::unordered_map<std::string, LongText> longTexts_;
};
