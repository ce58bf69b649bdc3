#include "bench/korvane_bench/toolkit_session.h"

#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/init.h>

#include "bench/korvane_bench/command.h"
#include "canvas/my_canvas.h"
#include "db/error.h"

ToolkitSession::ToolkitSession(const std::string& title, int width, int height) {
  static char name[] = "korvane-bench";
  static char* argv[] = {name, nullptr};
  int argc = 1;
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv)) throw Error(kTagBench, "Cannot start the toolkit (no display?)");
  wxInitAllImageHandlers();
  frame_ =
      new wxFrame(nullptr, wxID_ANY, wxString::FromUTF8(title), wxDefaultPosition, wxSize(width + 40, height + 40));
}

ToolkitSession::~ToolkitSession() {
  frame_->Destroy();
  wxTheApp->ProcessIdle();
  wxEntryCleanup();
}

BenchView::BenchView(wxFrame& frame, int width, int height)
    : canvas(new MyCanvas(&frame, session, wxDefaultPosition, wxDefaultSize)) {
  canvas->SetClientSize(width, height);
}

BenchView::~BenchView() { canvas->Destroy(); }

void BenchView::Open(const std::string& directory) {
  if (!session.LoadLibrary(directory)) throw Error(kTagBench, "Cannot open library " + directory);
  if (!session.TopCell()) throw Error(kTagBench, "Library has no root cell: " + directory);
}

double PaintCanvas(MyCanvas& canvas) {
  int cw = 0;
  int ch = 0;
  canvas.GetClientSize(&cw, &ch);
  wxBitmap target(cw, ch, 24);
  wxMemoryDC dc(target);
  canvas.DoPrepareDC(dc);
  const auto start = BenchClock::now();
  canvas.OnDraw(dc);
  return SecondsSince(start);
}
