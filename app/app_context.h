#pragma once

#include <fstream>
#include <memory>
#include <string>

class MyFrame;
class wxPageSetupDialogData;
class wxPrintData;

// What the shell's windows share while the application runs: the log file, the main frame,
// the print settings and the count of open child windows. The application object owns the one
// context; the main frame is given it and its child windows reach it through the frame.
class AppContext {
 public:
  AppContext();
  ~AppContext();
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  // Opens the log file for writing, truncating an older one, and makes it the log stream;
  // false when it cannot be opened.
  bool OpenLog(const std::string& path);
  // Stops logging to the file and closes it.
  void CloseLog();

  // The print settings start as the defaults on letter paper.
  void CreatePrintSettings();
  void ReleasePrintSettings();
  // The print settings that every window's printouts and page setup share; only between
  // CreatePrintSettings and ReleasePrintSettings.
  wxPrintData& PrintData() { return *printData; }
  wxPageSetupDialogData& PageSetupData() { return *pageSetupData; }

  // The text last entered by Change Title in any window; empty until the first.
  const std::string& LastTitle() const { return lastTitle; }
  void SetLastTitle(const std::string& title) { lastTitle = title; }

  MyFrame* Frame() const { return theFrame; }
  void SetFrame(MyFrame* frame) { theFrame = frame; }

  // Child windows that have their menu bar; the close question and the toolbar go by it.
  int OpenChildCount() const { return childWindowCount; }
  void CountChildOpened() { ++childWindowCount; }
  void CountChildClosed() { --childWindowCount; }

 private:
  std::unique_ptr<std::ofstream> logStream;
  MyFrame* theFrame = nullptr;
  std::unique_ptr<wxPrintData> printData;
  std::unique_ptr<wxPageSetupDialogData> pageSetupData;
  int childWindowCount = 0;
  std::string lastTitle;
};
