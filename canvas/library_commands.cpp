// The commands that give a canvas its library and the cell it shows.
#include <wx/textdlg.h>
#include <wx/utils.h>

#include <filesystem>
#include <functional>
#include <system_error>

#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "formats/gds_in.h"
#include "formats/oasis_in.h"

namespace {

std::string ErrorText(const Error& e) { return ErrorLine(e); }

bool EndsWith(const std::string& text, const char* suffix) {
  std::string tail(suffix);
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

void MyCanvas::AttachLibrary(std::shared_ptr<Library> library) {
  // The shown cell belongs to the library let go, which may be freed now.
  topCell = nullptr;
  topCellId = -1;
  viewChanged = true;
  library_ = std::move(library);
}

void MyCanvas::ShareLibrary(std::shared_ptr<Library> library) {
  AttachLibrary(std::move(library));
  GridStep();
}

std::string MyCanvas::AskCellBox() {
  const char* message =
      "This is empty cell\nEnter 4 numbers by um for rough initial cell bounding box (x1 y1 x2 y2)\n"
      "Default will be (-10 -10 10 10) by default";
  const char* caption = "Provide cell bounding box";
  if (textPrompt_) return textPrompt_(message, caption);
  wxWindow* frame = GetParent() ? GetParent()->GetParent() : nullptr;
  return wxGetTextFromUser(message, caption, "", frame, -1, -1, true).ToStdString();
}

void MyCanvas::SetTopCell(int32_t id) {
  Cell* cell = library_ ? library_->GetCell(id) : nullptr;
  topCell = cell;
  topCellId = cell ? id : -1;
  viewChanged = true;
  if (!cell) return;
  if (cell->box.x2 <= cell->box.x1 || cell->box.y2 <= cell->box.y1) {
    // Corners are stored ordered: an inverted box would mirror the view and be saved so.
    cell->box = ParseCellBoxAnswer(AskCellBox(), nmPerUnit);
  }
  view.SetViewBox(cell->box.x1, cell->box.y1, cell->box.x2, cell->box.y2);
}

bool MyCanvas::FinishLibraryOpen() {
  for (auto& layer : library_->layerMap) layer.second.colour = DefaultLayerColour(layer.first >> 8, layer.first & 0xff);
  GridStep();
  bool hasRoot = !library_->roots.empty();
  if (hasRoot) {
    SetTopCell(int32_t(library_->roots.front()));
  } else {
    // Only a placement cycle, or nothing at all: there is no cell to show.
    SetTopCell(-1);
    LogMessage("Empty library %s\n", library_->directory.c_str());
  }
  depth = int32_t(library_->depth) + 1;
  return hasRoot;
}

bool MyCanvas::LoadLibrary(const std::string& directory) {
  MainStatus("Loading Library, wait...");
  wxBusyCursor busy;
  bool hasRoot = false;
  try {
    AttachLibrary(std::make_shared<Library>(directory, false));
    library_->Open();
    hasRoot = FinishLibraryOpen();
  } catch (const Error& e) {
    MainStatus(ErrorText(e));
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool MyCanvas::ConvertLayout(const char* format, const std::string& path, const std::string& directory,
                             bool compressed, const std::function<void(Library&)>& read) {
  LogMessage("\n%sConverting %s %s into Library %s\n", TimeStamp().c_str(), format, path.c_str(), directory.c_str());
  MainStatus(std::string("Converting ") + format + " to Library, wait...");
  wxBusyCursor busy;
  bool hasRoot = false;
  try {
    AttachLibrary(std::make_shared<Library>(directory, compressed));
    std::error_code failure;
    std::filesystem::create_directories(directory, failure);
    if (failure) throw Error(kTagLibOut, "Cannot create directory " + directory);
    read(*library_);
    hasRoot = FinishLibraryOpen();
  } catch (const Error& e) {
    std::string text = ErrorText(e);
    MainStatus(text);
    LogMessage("%s", text.c_str());
    return false;
  }
  MainStatus(hasRoot ? "Ready" : "Empty library");
  return true;
}

bool MyCanvas::ConvertGDS(const std::string& gdsPath, const std::string& directory) {
  return ConvertLayout("GDS", gdsPath, directory, gzipLibrary, [&gdsPath](Library& library) {
    GdsIn reader(gdsPath.c_str(), EndsWith(gdsPath, ".gz"));
    library.currentFileId = uint16_t(library.currentFileId + 1);
    reader.ReadLibrary(library);
  });
}

bool MyCanvas::ConvertOASIS(const std::string& oasisPath, const std::string& directory) {
  // OASIS files are read plain whatever their name, into an uncompressed library.
  return ConvertLayout("OASIS", oasisPath, directory, false, [&oasisPath](Library& library) {
    OasisIn reader;
    library.currentFileId = uint16_t(library.currentFileId + 1);
    reader.ReadLibrary(oasisPath, library);
  });
}
