#pragma once

// Answers the shell's questions from a script instead of real dialogs, and records what was
// asked, so that tests drive commands end to end without a person. The canvas's questions take
// their answers from the same queues (texts, files, messageAnswers, items).
#include <deque>
#include <string>
#include <vector>

#include "app/prompts.h"
#include "tests/canvas/edit/scripted_canvas_prompts.h"

class ScriptedPrompts : public ScriptedCanvasAnswers<Prompts> {
 public:
  std::deque<wxString> directories;
  std::deque<int> inputTypes, styles;

  wxString ChooseDirectory(wxWindow*, const wxString& message, const wxString& start) override {
    asked.push_back(std::string(message.utf8_str()) + " [" + std::string(start.utf8_str()) + "]");
    return Next(directories, wxString());
  }
  wxString ChooseFileToOpen(wxWindow*, const wxString& title, const wxString&) override {
    asked.push_back(std::string(title.utf8_str()));
    return wxString::FromUTF8(Next(files, std::string()));
  }
  // The default answer offered with each text question, in order.
  std::vector<std::string> textDefaults;
  wxString GetText(const wxString& message, const wxString&, const wxString& defaultValue) override {
    asked.push_back(std::string(message.utf8_str()));
    textDefaults.push_back(std::string(defaultValue.utf8_str()));
    return wxString::FromUTF8(Next(texts, std::string()));
  }
  int MessageBox(wxWindow*, const wxString& text, const wxString&, long) override {
    asked.push_back(std::string(text.utf8_str()));
    return Next(messageAnswers, int(wxCANCEL));
  }
  int ChooseInputType(wxWindow*) override { return Next(inputTypes, -1); }
  int ChooseItem(wxWindow*, const wxString& message, const wxString&, const wxArrayString&) override {
    asked.push_back(std::string(message.utf8_str()));
    return Next(items, -1);
  }
  int ChooseStyle(wxWindow*, int) override { return Next(styles, -1); }
  bool ChooseColour(wxWindow*, wxColour& colour) override {
    colour = wxColour(10, 20, 30);
    return true;
  }
};
