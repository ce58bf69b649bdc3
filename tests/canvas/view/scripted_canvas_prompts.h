#pragma once

// Answers the canvas's questions from a script instead of real dialogs, and records what was
// asked, so that tests drive canvas commands without a person or a display. The shell's
// scripted prompts build on the same answers, so that one script serves both.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "canvas/view/canvas_prompts.h"

// The answer of a Confirm: the toolkit's Yes (the shell's scripts push its wxYES).
constexpr int kScriptedYes = 0x2;

template <typename Base>
class ScriptedCanvasAnswers : public Base {
 public:
  std::deque<std::string> texts, files;
  std::deque<int> messageAnswers, items;
  std::deque<long> numbers;
  // Every question's text, in order.
  std::vector<std::string> asked;
  // The caption of every message shown, in order.
  std::vector<std::string> captions;

  std::string AskText(const std::string& message, const std::string&, const std::string&) override {
    asked.push_back(message);
    return Next(texts, std::string());
  }
  std::optional<long> AskNumber(const std::string& message, const std::string&, long, long, long) override {
    asked.push_back(message);
    if (numbers.empty()) return std::nullopt;
    return Next(numbers, 0L);
  }
  int AskChoice(const std::string& message, const std::string&, const std::vector<std::string>&) override {
    asked.push_back(message);
    return Next(items, -1);
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    asked.push_back(text);
    captions.push_back(caption);
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    asked.push_back(text);
    captions.push_back(caption);
    return Next(messageAnswers, 0) == kScriptedYes;
  }
  std::string AskFileToOpen(const std::string& title, const std::string&) override {
    asked.push_back(title);
    return Next(files, std::string());
  }
  std::string AskFileToSave(const std::string& title, const std::string&, const std::string&) override {
    asked.push_back(title);
    return Next(files, std::string());
  }

 protected:
  template <typename T>
  static T Next(std::deque<T>& answers, T cancel) {
    if (answers.empty()) return cancel;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

using ScriptedCanvasPrompts = ScriptedCanvasAnswers<CanvasPrompts>;
