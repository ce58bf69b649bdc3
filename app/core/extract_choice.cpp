#include "app/core/extract_choice.h"

#include <filesystem>
#include <system_error>

#include "app/core/image_path.h"
#include "canvas/view/number_input.h"

const char* ExtractExtension(int type) {
  switch (type) {
    case 0: return "oas";
    case 2: return "poly";
    default: return "gds";
  }
}

std::string CompleteExtractPath(const std::string& name, int type) {
  return CompleteImagePath(name, ExtractExtension(type));
}

void MakeOutputDirectory(const std::string& path) {
  const std::filesystem::path directory = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  if (!directory.empty()) std::filesystem::create_directories(directory, ignored);
}

Extraction ChooseExtraction(const ExtractRequest& request, bool shownIsFirstRoot) {
  if (request.type == 2 || request.flatten) return Extraction::kFlat;
  if (!request.areaLastZoomed && shownIsFirstRoot) {
    return request.type == 1 ? Extraction::kLibraryGds : Extraction::kLibraryOasis;
  }
  return Extraction::kHierarchical;
}

std::optional<int32_t> ParseGrid(const std::string& text) {
  const std::optional<int32_t> value = ParseInt32(text);
  if (!value || *value < 1) return std::nullopt;
  return value;
}
