#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the extraction and angle/grid dialogs collect, and the rules that turn it into an action,
// free of the toolkit.

// The extraction dialog's values. type: 0 OASIS, 1 GDS, 2 TEXT.
struct ExtractRequest {
  int type = 0;
  std::string fileName;
  bool layersVisible = false;
  bool areaLastZoomed = false;
  bool flatten = false;
};

enum class Extraction { kFlat, kLibraryGds, kLibraryOasis, kHierarchical };

// The extension that Browse and the dispatch add for an output type: "oas", "gds" or "poly".
const char* ExtractExtension(int type);
// name with the type's extension added when its file name has none.
std::string CompleteExtractPath(const std::string& name, int type);
// Creates the directory that path's file goes into, with its parents, when it is missing
// (mode 0777 under the umask). A directory that cannot be made is left to the writer to report.
void MakeOutputDirectory(const std::string& path);

// TEXT and Flatten extract flat; without Area last zoomed, the first root cell shown gives the
// whole library in the type's format; anything else extracts the shown cell hierarchically.
Extraction ChooseExtraction(const ExtractRequest& request, bool shownIsFirstRoot);

// The message and caption that refuse a grid field.
inline constexpr const char* kGridRefusal = "Input must be positive integer";
inline constexpr const char* kGridRefusalCaption = "Wrong Input";
// The snapping grid typed: a base-10 whole number from 1 to 2^31 - 1, else nothing.
std::optional<int32_t> ParseGrid(const std::string& text);
