#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Keyboard shortcuts of the View and Edit commands. A binding is 16 bits: the modifier in the
// low byte (0 none, 1 Ctrl, 2 Alt, 3 Shift) and the key code in the high byte (0 no shortcut;
// a named key such as 27 "ESC"; any other value is the character with that code).

constexpr int kKeyBindingCount = 100;

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
