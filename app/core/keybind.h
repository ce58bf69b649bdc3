#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Keyboard shortcuts of the View and Edit commands. A binding is 16 bits: the modifier in the
// low byte (0 none, 1 Ctrl, 2 Alt, 3 Shift) and the key code in the high byte (0 no shortcut;
// a named key such as 27 "ESC"; any other value is the character with that code).

constexpr int kKeyBindingCount = 100;

// Codes of the named keys.
constexpr uint8_t kKeyHome = 1, kKeyIns = 2, kKeyEnd = 3, kKeyUp = 4, kKeyDown = 5, kKeyLeft = 6, kKeyRight = 7,
                  kKeyTab = 9, kKeyPageUp = 10, kKeyPageDown = 11, kKeyEnter = 13, kKeyEsc = 27, kKeySpace = 32,
                  kKeyDel = 127;

constexpr uint16_t MakeKeyBinding(int modifier, int key) {
  return static_cast<uint16_t>((modifier & 0xFF) | ((key & 0xFF) << 8));
}

// The 100 bindings indexed by command id, with the defaults of ids 0 to 50.
std::vector<uint16_t> DefaultKeyBindings();

// "Shift" 3, "Ctrl" 1, "Alt" 2; any other word (case differs, "Control") 0.
int ParseKeyModifier(const std::string& word);

// A one-byte word gives its byte unchanged (no case folding); otherwise the exact key name
// ("HOME", "ESC", ...) gives its code; anything else gives 0.
uint8_t ParseKeyName(const std::string& word);

// The menu label with the binding's shortcut after a tab ("Change &Depth\tCtrl-D"); the label
// unchanged when the binding has no key. Labels are UTF-8; a key code of 128 or more is the
// character with that code point, encoded as UTF-8.
std::string MakeAcceleratorLabel(const std::string& label, uint16_t binding);

// The View or Edit command (0 to 50, never 48) that binding is bound to, the lowest id when
// several are; -1 when none is or the binding has no key.
int FindBoundCommand(const std::vector<uint16_t>& bindings, uint16_t binding);

// The command bound to key (a named key code or a character; letters as the upper case the
// keyboard reports) pressed with modifier. A letter also finds a binding made with its lower
// case, as a configuration file may write it. -1 when none is bound.
int FindCommandForKey(const std::vector<uint16_t>& bindings, int modifier, int key);
