#include "app/korvane.h"

#include <wx/display.h>
#include <wx/imagjpeg.h>
#include <wx/menu.h>

#include "app/core/command_table.h"
#include "app/my_frame.h"
#include "db/error.h"
#include "db/log.h"
#include "db/memory_reuse.h"
#include "db/pool_reset.h"
#include "resources/korvane_icn.xpm"

const char* const kKorvaneVersion = "1.2.4";
// The date this file was compiled, which is the date the binary was built.
const char* const kKorvaneBuildDate = __DATE__;

namespace {

void ReportUncaught(MyFrame* frame, const char* tag, const std::string& message) {
  if (frame) {
    frame->ReportError(tag, message);
  } else {
    LogMessage("%s", ErrorLine(tag, message).c_str());
  }
}

// Three quarters of the display's client area, centred in it.
wxRect RestoredFrameRect(const wxRect& display) {
  wxRect rect = display;
  rect.Deflate(display.width / 8, display.height / 8);
  return rect;
}

wxMenuBar* BuildFrameMenuBar() {
  auto* file = new wxMenu;
  for (const Command& c : FrameFileMenu()) file->Append(c.id, c.label, c.help);
  auto* help = new wxMenu;
  help->Append(FrameAboutCommand().id, FrameAboutCommand().label, FrameAboutCommand().help);
  auto* bar = new wxMenuBar;
  bar->Append(file, "&File");
  bar->Append(help, "&Help");
  return bar;
}

}  // namespace

bool Korvane::OnInit() {
  KeepFreedMemoryForReuse();
  if (!context_.OpenLog("korvane.log")) {
    LogMessage("ERROR: Log file could not be opened !\n");
    return false;
  }
  LogMessage("** Product   :\t%s\n", "Korvane mask layout browser and editor by Ostrand");
  LogMessage("** Version   :\t%s %s\n", kKorvaneVersion, "");
  LogMessage("** Build Date:\t%s\n\n", kKorvaneBuildDate);

  wxImage::AddHandler(new wxJPEGHandler);
  context_.CreatePrintSettings();

  auto* frame = new MyFrame(context_, "Ostrand Korvane", wxDefaultPosition, wxDefaultSize);
  context_.SetFrame(frame);
  frame->SetIcon(wxIcon(korvane_icn_xpm));
  frame->SetMenuBar(BuildFrameMenuBar());
  frame->CreateStatusBar(1, wxSTB_DEFAULT_STYLE, wxID_ANY, "status_line");
  frame->SetStatusText("Ready", 0);
  // The size before Maximize is what the window manager restores the frame to: a frame shown
  // maximised without one comes back at its minimum size, one as large as the display stays
  // that large. Without a window manager the frame keeps this size.
  frame->SetSize(RestoredFrameRect(wxGetClientDisplayRect()));
  frame->Maximize();
  frame->Show();
  SetTopWindow(frame);
  return true;
}

int Korvane::OnExit() {
  ResetRecordPools();
  context_.CloseLog();
  context_.ReleasePrintSettings();
  return 1;
}

bool Korvane::OnExceptionInMainLoop() {
  try {
    throw;
  } catch (const Error& error) {
    ReportUncaught(context_.Frame(), error.Tag(), error.Message());
  } catch (const std::exception& exception) {
    // Out of memory or a file-system failure below a command: the command is over, the
    // application and its libraries go on.
    ReportUncaught(context_.Frame(), kTagSystem, exception.what());
  }
  return true;
}
