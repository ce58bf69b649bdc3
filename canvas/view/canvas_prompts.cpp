#include "canvas/view/canvas_prompts.h"

bool CanvasPrompts::InstanceDialog(const std::string&, InstanceParameters&) { return false; }

bool CanvasPrompts::PathDialog(PathParameters&) { return false; }

bool CanvasPrompts::CircleDialog(CircleParameters&) { return false; }

bool CanvasPrompts::TextDialog(TextParameters&) { return false; }

int CanvasPrompts::ChooseCell(const std::string&, const std::vector<std::string>&) { return -1; }

CanvasPrompts& UnansweredPrompts::Instance() {
  static UnansweredPrompts unanswered;
  return unanswered;
}

std::optional<LayerKey> CanvasPrompts::ChooseLayer(const std::string&, const std::vector<LayerKey>&) {
  return std::nullopt;
}
