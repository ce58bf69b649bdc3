#include "canvas/edit/criticality.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>
#include <string>

namespace {

// Whitespace-separated numbers of a text, read as a stream extracts them: blanks and line ends
// are skipped, a sign may lead, and a number ends at the first character that cannot continue
// it.
class NumberScanner {
 public:
  explicit NumberScanner(const std::string& text) : pos_(text.data()), end_(text.data() + text.size()) {}

  bool ReadInt(int32_t& value) {
    if (!StartNumber()) return false;
    auto [next, error] = std::from_chars(pos_, end_, value);
    if (error != std::errc()) return false;
    pos_ = next;
    return true;
  }

  // Decimal or exponent notation only: "nan" and "inf" are not numbers of the file.
  bool ReadFloat(float& value) {
    if (!StartNumber()) return false;
    const char* digits = *pos_ == '-' ? pos_ + 1 : pos_;
    if (digits == end_ || !(std::isdigit(static_cast<unsigned char>(*digits)) || *digits == '.')) return false;
    auto [next, error] = std::from_chars(pos_, end_, value, std::chars_format::general);
    if (error != std::errc()) return false;
    pos_ = next;
    return true;
  }

 private:
  // Skips white space and a '+' before a digit (from_chars takes only '-').
  bool StartNumber() {
    while (pos_ != end_ && std::isspace(static_cast<unsigned char>(*pos_))) ++pos_;
    if (pos_ == end_) return false;
    if (*pos_ == '+' && pos_ + 1 != end_ && *(pos_ + 1) != '-' && *(pos_ + 1) != '+') ++pos_;
    return pos_ != end_;
  }

  const char* pos_;
  const char* end_;
};

uint8_t Level(double level) {
  if (std::isnan(level)) return 0;
  return static_cast<uint8_t>(std::clamp(std::round(level), 0.0, 255.0));
}

}  // namespace

void ResetCriticality(CriticalityData& data) { data = CriticalityData(); }

void ReadCriticality(std::istream& in, CriticalityData& data) {
  ResetCriticality(data);
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  NumberScanner numbers(text);
  data.criticalityShown = true;
  CriticalityBox box;
  while (numbers.ReadInt(box.x1) && numbers.ReadInt(box.y1) && numbers.ReadInt(box.x2) && numbers.ReadInt(box.y2) &&
         numbers.ReadFloat(box.value)) {
    data.criticalityMin = std::min(data.criticalityMin, box.value);
    data.criticalityMax = std::max(data.criticalityMax, box.value);
    data.criticalityBoxes.push_back(box);
  }
  data.criticalityMid = (data.criticalityMax - data.criticalityMin) * 0.5f;
  data.criticalityStep = static_cast<float>((data.criticalityMax - data.criticalityMid) / 255.0);
}

Rgb CriticalityColour(float value, const CriticalityData& data) {
  const double v = value;
  if (v >= data.criticalityMid) return Rgb{255, Level((data.criticalityMax - v) / data.criticalityStep), 0};
  return Rgb{Level((v - data.criticalityMin) / data.criticalityStep), 255, 0};
}
