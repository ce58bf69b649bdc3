// korvane-bench export-image LIBDIR WIDTH HEIGHT OUT (under xvfb-run): opens a library as the
// application does, draws the full view of a WIDTH x HEIGHT canvas, then times saving what it
// shows as OUT (JPEG for .jpg/.jpeg, else BMP), as the image export commands do, and printing
// the same view onto a letter page of a PostScript file OUT.ps, through the canvas's printing
// pass and the printout's page layout.
#include <wx/cmndata.h>
#include <wx/dcmemory.h>
#include <wx/dcps.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/image.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/print_layout.h"
#include "bench/korvane_bench/command.h"
#include "bench/korvane_bench/toolkit_session.h"
#include "canvas/my_canvas.h"
#include "db/error.h"

namespace {

long long FileBytes(const std::string& path) {
  const wxULongLong size = wxFileName::GetSize(wxString::FromUTF8(path));
  return size == wxInvalidSize ? 0 : static_cast<long long>(size.GetValue());
}

void PaintOnce(MyCanvas& canvas, int width, int height) {
  wxBitmap target(width, height, 24);
  wxMemoryDC dc(target);
  canvas.DoPrepareDC(dc);
  canvas.OnDraw(dc);
}

void PrintToPostScript(MyCanvas& canvas, const std::string& path, int width, int height) {
  wxPrintData data;
  data.SetPaperId(wxPAPER_LETTER);
  data.SetFilename(wxString::FromUTF8(path));
  data.SetPrintMode(wxPRINT_MODE_FILE);
  wxPostScriptDC dc(data);
  if (!dc.IsOk() || !dc.StartDoc("export-image")) throw Error(kTagBench, "Cannot print to " + path);
  dc.StartPage();
  dc.SetFont(wxFontInfo(12).Family(wxFONTFAMILY_SWISS));
  int pw = 0;
  int ph = 0;
  dc.GetSize(&pw, &ph);
  const PrintLayout layout = ComputePrintLayout(pw, ph, width, height, 50 + 2 * dc.GetCharHeight());
  dc.SetDeviceOrigin(layout.left, layout.top);
  dc.SetUserScale(layout.userScale, layout.userScale);
  canvas.PrintView(dc, layout.drawFactor);
  dc.SetDeviceOrigin(0, 0);
  dc.SetUserScale(1.0, 1.0);
  dc.DrawText("export-image", 50, 50);
  dc.EndPage();
  dc.EndDoc();
}

int RunExportImage(const std::vector<std::string>& args) {
  if (args.size() != 4) {
    std::fprintf(stderr, "usage: korvane-bench export-image LIBDIR WIDTH HEIGHT OUT\n");
    return 2;
  }
  const std::string& libDir = args[0];
  const int width = std::atoi(args[1].c_str());
  const int height = std::atoi(args[2].c_str());
  const std::string& out = args[3];
  if (width <= 0 || height <= 0) throw Error(kTagBench, "WIDTH and HEIGHT must be positive");
  const wxString extension = wxFileName(wxString::FromUTF8(out)).GetExt().Lower();
  const bool jpeg = extension == "jpg" || extension == "jpeg";
  ToolkitSession toolkit("export-image", width, height);
  BenchView bench(toolkit.Frame(), width, height);
  bench.Open(libDir);
  MyCanvas* canvas = bench.canvas;
  BenchClock::time_point start = BenchClock::now();
  PaintOnce(*canvas, width, height);
  const double drawSeconds = SecondsSince(start);

  start = BenchClock::now();
  const wxBitmap drawn = canvas->DrawnImage();
  const bool saved = jpeg ? drawn.ConvertToImage().SaveFile(wxString::FromUTF8(out), wxBITMAP_TYPE_JPEG)
                          : drawn.SaveFile(wxString::FromUTF8(out), wxBITMAP_TYPE_BMP, nullptr);
  const double exportSeconds = SecondsSince(start);
  if (!saved) throw Error(kTagBench, "Cannot save " + out);

  const std::string printed = out + ".ps";
  start = BenchClock::now();
  PrintToPostScript(*canvas, printed, width, height);
  const double printSeconds = SecondsSince(start);

  std::printf("draw seconds=%.3f\n", drawSeconds);
  std::printf("print seconds=%.3f bytes=%lld\n", printSeconds, FileBytes(printed));
  std::printf("export-image seconds=%.4f bytes=%lld\n", exportSeconds, FileBytes(out));
  return 0;
}

BenchCommandRegistrar registrar({"export-image", "LIBDIR WIDTH HEIGHT OUT", RunExportImage});

}  // namespace
