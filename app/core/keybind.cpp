#include "app/core/keybind.h"

#include "app/core/command_ids.h"

namespace {

struct KeyName {
  uint8_t code;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {kKeyHome, "HOME"},   {kKeyIns, "INS"},     {kKeyEnd, "END"},     {kKeyUp, "UP"},       {kKeyDown, "DOWN"},
    {kKeyLeft, "LEFT"},   {kKeyRight, "RIGHT"}, {kKeyTab, "TAB"},     {kKeyPageUp, "PGUP"}, {kKeyPageDown, "PGDN"},
    {kKeyEnter, "ENTER"}, {kKeyEsc, "ESC"},     {kKeySpace, "SPACE"}, {kKeyDel, "DEL"},
};

constexpr int kNone = 0, kCtrl = 1, kAlt = 2, kShift = 3;
constexpr int kHome = kKeyHome, kIns = kKeyIns, kEnd = kKeyEnd, kUp = kKeyUp, kDown = kKeyDown, kSpace = kKeySpace,
              kEsc = kKeyEsc, kDel = kKeyDel;

struct DefaultBinding {
  int id;
  int modifier;
  int key;
};

// Show DB Unit, Change Title, Merge and Subtract Polygons, Recalculate Cells and Change DB Unit
// have no default shortcut.
constexpr DefaultBinding kDefaults[] = {
    {kCmdChangeDepth, kCtrl, 'D'},    {kCmdChangeCellSize, kCtrl, 'S'}, {kCmdShowTreePanel, kCtrl, 'T'},
    {kCmdOpenCell, kCtrl, 'C'},       {kCmdOpenRootCell, kAlt, 'C'},    {kCmdInstanceInfo, kCtrl, 'I'},
    {kCmdInspectLayer, kAlt, 'I'},    {kCmdInspectNext, kAlt, 'N'},     {kCmdGoTo, kAlt, 'G'},
    {kCmdShowOutlines, kCtrl, 'O'},   {kCmdShowGrids, kCtrl, 'G'},      {kCmdShowNames, kCtrl, 'N'},
    {kCmdShowTexts, kAlt, 'T'},       {kCmdAngleGrid, kCtrl, 'A'},      {kCmdRemoveRulers, kCtrl, 'R'},
    {kCmdRecoverRulers, kAlt, 'R'},   {kCmdChangeColor, kCtrl, 'B'},    {kCmdZoomOut, kNone, kHome},
    {kCmdZoomOut4X, kAlt, 'Z'},       {kCmdZoomIn4X, kCtrl, 'Z'},       {kCmdRedraw, kShift, 'R'},
    {kCmdOrderedDraw, kAlt, 'D'},     {kCmdAccurateDraw, kAlt, 'A'},    {kCmdOptimizeDb, kAlt, 'O'},
    {kCmdClearMemory, kCtrl, kSpace}, {kCmdCancel, kNone, kEsc},        {kCmdInsertPolygon, kNone, kIns},
    {kCmdDeletePolygon, kNone, kDel}, {kCmdPastePolygon, kNone, 'P'},   {kCmdSizingPolygon, kNone, 'S'},
    {kCmdFlipXPolygon, kNone, 'X'},   {kCmdFlipYPolygon, kNone, 'Y'},   {kCmdRotate90Polygon, kNone, 'R'},
    {kCmdSnapPolygon, kNone, '.'},    {kCmdCreatePath, kAlt, kIns},     {kCmdCreateCircleArc, kAlt, kEnd},
    {kCmdInsertText, kAlt, kUp},      {kCmdReplaceText, kAlt, kDown},   {kCmdCreateCell, kCtrl, kIns},
    {kCmdIncrementCell, kCtrl, kUp},  {kCmdInsertInst, kShift, kIns},   {kCmdDeleteInst, kShift, kDel},
    {kCmdReplaceInst, kShift, kEnd},  {kCmdModifyInst, kShift, 'M'},
};

void AppendUtf8(std::string& out, unsigned codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else {
    // Key codes are one byte, so two UTF-8 bytes always suffice.
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

std::vector<uint16_t> DefaultKeyBindings() {
  std::vector<uint16_t> bindings(kKeyBindingCount, 0);
  for (const DefaultBinding& d : kDefaults) bindings[d.id] = MakeKeyBinding(d.modifier, d.key);
  return bindings;
}

int ParseKeyModifier(const std::string& word) {
  if (word == "Shift") return kShift;
  if (word == "Ctrl") return kCtrl;
  if (word == "Alt") return kAlt;
  return kNone;
}

uint8_t ParseKeyName(const std::string& word) {
  if (word.size() == 1) return static_cast<uint8_t>(word[0]);
  for (const KeyName& k : kKeyNames) {
    if (word == k.name) return k.code;
  }
  return 0;
}

std::string MakeAcceleratorLabel(const std::string& label, uint16_t binding) {
  const unsigned key = binding >> 8;
  if (key == 0) return label;
  std::string result = label + "\t";
  switch (binding & 0xFF) {
    case kCtrl: result += "Ctrl-"; break;
    case kAlt: result += "Alt-"; break;
    case kShift: result += "Shift-"; break;
    default: break;
  }
  for (const KeyName& k : kKeyNames) {
    if (k.code == key) return result + k.name;
  }
  AppendUtf8(result, key);
  return result;
}

int FindBoundCommand(const std::vector<uint16_t>& bindings, uint16_t binding) {
  if ((binding >> 8) == 0) return -1;
  for (int id = kFirstBoundCommand; id <= kLastBoundCommand && id < int(bindings.size()); ++id) {
    if (id != kCmdUnassigned && bindings[id] == binding) return id;
  }
  return -1;
}

int FindCommandForKey(const std::vector<uint16_t>& bindings, int modifier, int key) {
  const int id = FindBoundCommand(bindings, MakeKeyBinding(modifier, key));
  if (id >= 0 || key < 'A' || key > 'Z') return id;
  return FindBoundCommand(bindings, MakeKeyBinding(modifier, key - 'A' + 'a'));
}
