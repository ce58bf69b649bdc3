#pragma once

// Answers the shell's questions from a script instead of real dialogs, and records what was
// asked, so that tests drive commands end to end without a person. The canvas's questions take
// their answers from the same queues (texts, files, messageAnswers, items).
#include <deque>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/prompts.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"

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
  // Answers of the extraction dialog (none left: Cancel).
  std::deque<ExtractRequest> extractions;
  bool AskExtraction(wxWindow*, ExtractRequest& request) override {
    if (extractions.empty()) return false;
    request = Next(extractions, ExtractRequest());
    return true;
  }
  // Answers of the angle/grid dialog: the angle type and the grid text (none left: Cancel).
  std::deque<std::pair<int, std::string>> angleGrids;
  // The grid offered with each angle/grid dialog, in order.
  std::vector<int32_t> offeredGrids;
  bool AskAngleGrid(wxWindow*, double, int& angleType, int32_t snapGrid, std::string& gridText) override {
    offeredGrids.push_back(snapGrid);
    if (angleGrids.empty()) return false;
    std::tie(angleType, gridText) = Next(angleGrids, std::pair<int, std::string>());
    return true;
  }
  bool ChooseColour(wxWindow*, wxColour& colour) override {
    colour = wxColour(10, 20, 30);
    return true;
  }
  // Answers of the instance dialog: the placement stored, keeping the placed cell (none left:
  // Cancel). The title of each dialog goes to asked.
  std::deque<ARef> instancePlacements;
  bool InstanceDialog(const std::string& title, InstanceParameters& values) override {
    asked.push_back(title);
    if (instancePlacements.empty()) return false;
    const uint32_t cellId = values.placement.CellId();
    values.placement = Next(instancePlacements, ARef());
    values.placement.cellWord = (values.placement.cellWord & kArrayBit) | cellId;
    return true;
  }
};
