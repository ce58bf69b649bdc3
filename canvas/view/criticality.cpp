#include "canvas/view/criticality.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
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

// Boxes per grid cell on average.
constexpr int64_t kBoxesPerCell = 4;
constexpr int32_t kMaxGridSide = 2048;

std::string ReadAll(std::istream& in) {
  std::string text;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) text.append(chunk, size_t(in.gcount()));
  return text;
}

int32_t GridSide(size_t boxes) {
  const double side = std::sqrt(double(boxes) / double(kBoxesPerCell));
  return int32_t(std::clamp(side, 1.0, double(kMaxGridSide)));
}

// The column (row) of a coordinate, held to the grid.
int32_t CellOf(int64_t v, int64_t origin, int64_t size, int32_t count) {
  return int32_t(std::clamp<int64_t>((v - origin) / size, 0, count - 1));
}

void BuildGrid(CriticalityData& data) {
  CriticalityGrid& grid = data.grid;
  grid = CriticalityGrid();
  const std::vector<CriticalityBox>& boxes = data.criticalityBoxes;
  if (boxes.empty()) return;
  for (const CriticalityBox& record : boxes) {
    const Box b = CriticalityBoxBounds(record);
    grid.extent.Extend(b.x1, b.y1);
    grid.extent.Extend(b.x2, b.y2);
  }
  grid.columns = grid.rows = GridSide(boxes.size());
  grid.cellWidth = std::max<int64_t>(1, (grid.extent.Width() + grid.columns) / grid.columns);
  grid.cellHeight = std::max<int64_t>(1, (grid.extent.Height() + grid.rows) / grid.rows);
  const size_t cells = size_t(grid.columns) * size_t(grid.rows);
  std::vector<uint32_t> cellOf(boxes.size(), UINT32_MAX);
  grid.cellStart.assign(cells + 1, 0);
  for (size_t i = 0; i < boxes.size(); ++i) {
    const Box b = CriticalityBoxBounds(boxes[i]);
    if (b.Width() > grid.cellWidth || b.Height() > grid.cellHeight) {
      grid.largeBoxes.push_back(uint32_t(i));
      continue;
    }
    const int32_t column = CellOf(b.x1, grid.extent.x1, grid.cellWidth, grid.columns);
    const int32_t row = CellOf(b.y1, grid.extent.y1, grid.cellHeight, grid.rows);
    cellOf[i] = uint32_t(row) * uint32_t(grid.columns) + uint32_t(column);
    ++grid.cellStart[cellOf[i] + 1];
  }
  for (size_t c = 0; c < cells; ++c) grid.cellStart[c + 1] += grid.cellStart[c];
  std::vector<uint32_t> fill(grid.cellStart.begin(), grid.cellStart.end() - 1);
  grid.cellBoxes.resize(grid.cellStart.back());
  for (size_t i = 0; i < boxes.size(); ++i) {
    if (cellOf[i] != UINT32_MAX) grid.cellBoxes[fill[cellOf[i]]++] = uint32_t(i);
  }
}

uint8_t Level(double level) {
  if (std::isnan(level)) return 0;
  return static_cast<uint8_t>(std::clamp(std::round(level), 0.0, 255.0));
}

}  // namespace

void ResetCriticality(CriticalityData& data) { data = CriticalityData(); }

void ReadCriticality(std::istream& in, CriticalityData& data) {
  ResetCriticality(data);
  const std::string text = ReadAll(in);
  NumberScanner numbers(text);
  // The shortest record takes 10 characters.
  data.criticalityBoxes.reserve(text.size() / 32);
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
  BuildGrid(data);
}

Box CriticalityBoxBounds(const CriticalityBox& record) {
  return Box(std::min(record.x1, record.x2), std::min(record.y1, record.y2), std::max(record.x1, record.x2),
             std::max(record.y1, record.y2));
}

std::vector<uint32_t> CriticalityBoxesIn(const CriticalityData& data, const Box& window) {
  std::vector<uint32_t> found;
  const CriticalityGrid& grid = data.grid;
  if (grid.columns == 0 || !window.OverlapsStrict(grid.extent)) return found;
  const std::vector<CriticalityBox>& boxes = data.criticalityBoxes;
  for (uint32_t i : grid.largeBoxes) {
    if (CriticalityBoxBounds(boxes[i]).OverlapsStrict(window)) found.push_back(i);
  }
  // A box listed in its lower-left cell reaches at most one cell further right and up.
  const int32_t c1 = CellOf(int64_t(window.x1) - grid.cellWidth, grid.extent.x1, grid.cellWidth, grid.columns);
  const int32_t c2 = CellOf(window.x2, grid.extent.x1, grid.cellWidth, grid.columns);
  const int32_t r1 = CellOf(int64_t(window.y1) - grid.cellHeight, grid.extent.y1, grid.cellHeight, grid.rows);
  const int32_t r2 = CellOf(window.y2, grid.extent.y1, grid.cellHeight, grid.rows);
  for (int32_t row = r1; row <= r2; ++row) {
    for (int32_t column = c1; column <= c2; ++column) {
      const size_t cell = size_t(row) * size_t(grid.columns) + size_t(column);
      for (uint32_t k = grid.cellStart[cell]; k < grid.cellStart[cell + 1]; ++k) {
        const uint32_t i = grid.cellBoxes[k];
        if (CriticalityBoxBounds(boxes[i]).OverlapsStrict(window)) found.push_back(i);
      }
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

Rgb CriticalityColour(float value, const CriticalityData& data) {
  const double v = value;
  if (v >= data.criticalityMid) return Rgb{255, Level((data.criticalityMax - v) / data.criticalityStep), 0};
  return Rgb{Level((v - data.criticalityMin) / data.criticalityStep), 255, 0};
}
