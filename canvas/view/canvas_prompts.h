#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/cell.h"
#include "db/trans.h"

// Every modal question the canvas asks goes through this interface: the application answers
// with its dialogs, tests with a script. It holds no toolkit type, so that the commands that
// ask questions run without a display.

// What the parameter dialogs edit. Lengths are in database units; unitNm (nanometres per
// database unit) lets a dialog show and read them in nanometres.
struct InstanceParameters {
  ARef placement;
  double unitNm = 1.0;
  // False opens the dialog on empty fields (a new placement) instead of the placement's values.
  bool showValues = true;
};
struct PathParameters {
  int32_t halfWidth = 0;
  // 0 Extend, 1 Flush.
  int32_t pathType = 0;
  double unitNm = 1.0;
};
struct CircleParameters {
  int32_t pointCount = 0;
  int32_t startIndex = 0;
  int32_t endIndex = 0;
  int32_t innerRadius = 0;
  double unitNm = 1.0;
};
struct TextParameters {
  int32_t locX = 0;
  int32_t locY = 0;
  std::string textValue;
  double unitNm = 1.0;
};

class CanvasPrompts {
 public:
  virtual ~CanvasPrompts() = default;

  // The text typed, "" for Cancel.
  virtual std::string AskText(const std::string& message, const std::string& caption,
                              const std::string& defaultValue) = 0;
  // A whole number in [minimum, maximum]; nothing for Cancel.
  virtual std::optional<long> AskNumber(const std::string& message, const std::string& caption, long value,
                                        long minimum, long maximum) = 0;
  // The index of the chosen item, -1 for Cancel.
  virtual int AskChoice(const std::string& message, const std::string& caption,
                        const std::vector<std::string>& items) = 0;
  // A message box with only Ok ("Wrong Usage", "Wrong Input", errors and reports).
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
  // A Yes/No question; true for Yes.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // The path chosen, "" for Cancel. The wildcard is the toolkit's "Label|*.ext|..." form.
  virtual std::string AskFileToOpen(const std::string& title, const std::string& wildcard) = 0;
  virtual std::string AskFileToSave(const std::string& title, const std::string& wildcard,
                                    const std::string& defaultName) = 0;

  // The parameter dialogs and choosers of the editing and cell commands. Each edits its
  // values in place and returns true for Ok with valid values; false leaves them as they were.
  // Until a dialog is offered it answers Cancel.
  virtual bool InstanceDialog(const std::string& title, InstanceParameters& values);
  virtual bool PathDialog(PathParameters& values);
  virtual bool CircleDialog(CircleParameters& values);
  virtual bool TextDialog(TextParameters& values);
  // The index of the cell chosen from names, -1 for Cancel.
  virtual int ChooseCell(const std::string& title, const std::vector<std::string>& names);
  // The layer chosen from layers, nothing for Cancel.
  virtual std::optional<LayerKey> ChooseLayer(const std::string& title, const std::vector<LayerKey>& layers);
};

// The prompts of a view that no window holds: every question is answered with Cancel (or No),
// and messages go unseen.
class UnansweredPrompts : public CanvasPrompts {
 public:
  // The one such object that every view without a window asks (it keeps nothing).
  static CanvasPrompts& Instance();

  std::string AskText(const std::string&, const std::string&, const std::string&) override { return ""; }
  std::optional<long> AskNumber(const std::string&, const std::string&, long, long, long) override {
    return std::nullopt;
  }
  int AskChoice(const std::string&, const std::string&, const std::vector<std::string>&) override { return -1; }
  void ShowMessage(const std::string&, const std::string&) override {}
  bool Confirm(const std::string&, const std::string&) override { return false; }
  std::string AskFileToOpen(const std::string&, const std::string&) override { return ""; }
  std::string AskFileToSave(const std::string&, const std::string&, const std::string&) override { return ""; }
};
