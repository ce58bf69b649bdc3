#include "app/korvane.h"

#include <wx/cmndata.h>
#include <wx/display.h>
#include <wx/imagjpeg.h>
#include <wx/menu.h>

#include "app/core/command_table.h"
#include "app/my_frame.h"
#include "db/error.h"
#include "db/log.h"
#include "resources/korvane_icn.xpm"

std::unique_ptr<std::ofstream> logStream;
MyFrame* theFrame = nullptr;
std::unique_ptr<wxPrintData> printData;
std::unique_ptr<wxPageSetupDialogData> pageSetupData;
int childWindowCount = 0;
std::vector<MyChild*> ChildFrameList;

const char* const kKorvaneVersion = "1.2.4";
// The date this file was compiled, which is the date the binary was built.
const char* const kKorvaneBuildDate = __DATE__;

namespace {

void ReportUncaught(const char* tag, const std::string& message) {
  if (theFrame) {
    theFrame->ReportError(tag, message);
  } else {
    LogMessage("%s", ErrorLine(tag, message).c_str());
  }
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
  auto stream = std::make_unique<std::ofstream>("korvane.log", std::ios::out | std::ios::trunc);
  if (!stream->is_open() || !*stream) {
    LogMessage("ERROR: Log file could not be opened !\n");
    return false;
  }
  logStream = std::move(stream);
  SetLogStream(logStream.get());
  LogMessage("** Product   :\t%s\n", "Korvane mask layout browser and editor by Ostrand");
  LogMessage("** Version   :\t%s %s\n", kKorvaneVersion, "");
  LogMessage("** Build Date:\t%s\n\n", kKorvaneBuildDate);

  wxImage::AddHandler(new wxJPEGHandler);
  printData = std::make_unique<wxPrintData>();
  printData->SetPaperId(wxPAPER_LETTER);
  pageSetupData = std::make_unique<wxPageSetupDialogData>();

  theFrame = new MyFrame("Ostrand Korvane", wxDefaultPosition, wxDefaultSize);
  childWindowCount = 0;
  theFrame->SetIcon(wxIcon(korvane_icn_xpm));
  theFrame->SetMenuBar(BuildFrameMenuBar());
  theFrame->CreateStatusBar(1, wxSTB_DEFAULT_STYLE, wxID_ANY, "status_line");
  theFrame->SetStatusText("Ready", 0);
  // Without a window manager Maximize does nothing, so the frame first covers the display.
  theFrame->SetSize(wxGetClientDisplayRect());
  theFrame->Maximize();
  theFrame->Show();
  SetTopWindow(theFrame);
  return true;
}

int Korvane::OnExit() {
  if (logStream) {
    SetLogStream(nullptr);
    logStream->close();
  }
  printData.reset();
  pageSetupData.reset();
  return 1;
}

bool Korvane::OnExceptionInMainLoop() {
  try {
    throw;
  } catch (const Error& error) {
    ReportUncaught(error.Tag(), error.Message());
  } catch (const std::exception& exception) {
    // Out of memory or a file-system failure below a command: the command is over, the
    // application and its libraries go on.
    ReportUncaught(kTagSystem, exception.what());
  }
  return true;
}
