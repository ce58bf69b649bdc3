#pragma once

#include <wx/app.h>

#include "app/app_context.h"

// The application object: opens the log, writes the banner and shows the main frame. It owns
// the context that the shell's windows share.
class Korvane : public wxApp {
 public:
  // False only when "korvane.log" cannot be opened; the toolkit then ends the process.
  bool OnInit() override;
  int OnExit() override;
  // An Error that escapes a command is logged and the application goes on.
  bool OnExceptionInMainLoop() override;

  AppContext& Context() { return context_; }

 private:
  AppContext context_;
};

wxDECLARE_APP(Korvane);

extern const char* const kKorvaneVersion;
extern const char* const kKorvaneBuildDate;
