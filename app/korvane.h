#pragma once

#include <wx/app.h>

#include <fstream>
#include <memory>
#include <vector>

class MyChild;
class MyFrame;
class wxPageSetupDialogData;
class wxPrintData;

// The application object: opens the log, writes the banner and shows the main frame.
class Korvane : public wxApp {
 public:
  // False only when "korvane.log" cannot be opened; the toolkit then ends the process.
  bool OnInit() override;
  int OnExit() override;
  // An Error that escapes a command is logged and the application goes on.
  bool OnExceptionInMainLoop() override;
};

wxDECLARE_APP(Korvane);

// Process-wide objects of the shell.
extern std::unique_ptr<std::ofstream> logStream;
extern MyFrame* theFrame;
extern std::unique_ptr<wxPrintData> printData;
extern std::unique_ptr<wxPageSetupDialogData> pageSetupData;
// Child windows that have their menu bar (the close question and the tools go by it).
extern int childWindowCount;
// Every child window, in creation order.
extern std::vector<MyChild*> ChildFrameList;

extern const char* const kKorvaneVersion;
extern const char* const kKorvaneBuildDate;
