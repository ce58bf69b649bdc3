#include "app/core/keybind.h"

namespace {

struct KeyName {
  uint8_t code;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {kKeyHome, "HOME"}, {2, "INS"},           {kKeyEnd, "END"}, {kKeyUp, "UP"},       {kKeyDown, "DOWN"},
    {kKeyLeft, "LEFT"}, {kKeyRight, "RIGHT"}, {kKeyTab, "TAB"}, {kKeyPageUp, "PGUP"}, {kKeyPageDown, "PGDN"},
    {13, "ENTER"},      {27, "ESC"},          {32, "SPACE"},    {127, "DEL"},
};

constexpr int kNone = 0, kCtrl = 1, kAlt = 2, kShift = 3;
constexpr int kHome = kKeyHome, kIns = 2, kEnd = kKeyEnd, kUp = kKeyUp, kDown = kKeyDown, kSpace = 32, kEsc = 27,
              kDel = 127;

struct DefaultBinding {
  int id;
  int modifier;
  int key;
};

// Commands 5, 26, 36, 37, 48, 49 and 50 have no default shortcut.
constexpr DefaultBinding kDefaults[] = {
    {0, kCtrl, 'D'},   {1, kCtrl, 'S'},   {2, kCtrl, 'T'},    {3, kCtrl, 'C'},  {4, kAlt, 'C'},
    {6, kCtrl, 'I'},   {7, kAlt, 'I'},    {8, kAlt, 'N'},     {9, kAlt, 'G'},   {10, kCtrl, 'O'},
    {11, kCtrl, 'G'},  {12, kCtrl, 'N'},  {13, kAlt, 'T'},    {14, kCtrl, 'A'}, {15, kCtrl, 'R'},
    {16, kAlt, 'R'},   {17, kCtrl, 'B'},  {18, kNone, kHome}, {19, kAlt, 'Z'},  {20, kCtrl, 'Z'},
    {21, kShift, 'R'}, {22, kAlt, 'D'},   {23, kAlt, 'A'},    {24, kAlt, 'O'},  {25, kCtrl, kSpace},
    {27, kNone, kEsc}, {28, kNone, kIns}, {29, kNone, kDel},  {30, kNone, 'P'}, {31, kNone, 'S'},
    {32, kNone, 'X'},  {33, kNone, 'Y'},  {34, kNone, 'R'},   {35, kNone, '.'}, {38, kAlt, kIns},
    {39, kAlt, kEnd},  {40, kAlt, kUp},   {41, kAlt, kDown},  {42, kCtrl, kIns}, {43, kCtrl, kUp},
    {44, kShift, kIns}, {45, kShift, kDel}, {46, kShift, kEnd}, {47, kShift, 'M'},
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
  for (int id = 0; id <= 50 && id < int(bindings.size()); ++id) {
    if (id != 48 && bindings[id] == binding) return id;
  }
  return -1;
}
