#pragma once
// The key-text grammar of the keymap file and the texts the menu shows for a
// binding. Pure: bytes in, values out, so it is tested natively and fuzzed.
//
// A key text is a single character, a key name, or modifier letters, "-" and
// a key: "C-B", "SC-X", "A-F4". Before the first "-", capital A means Alt, C
// Ctrl and S Shift; any other character there is ignored.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "keys/key_names.h"

struct TParsedKey {
  bool Alt = false;
  bool Ctrl = false;
  bool Shift = false;
  // Virtual-key code; 0 when the key part is empty ("C-", "Num-", ""), which names no key.
  uint16_t Code = 0;
};

// One key binding in the layout of the platform's ACCEL (6 bytes), so a table
// of them maps one to one onto an accelerator table.
struct TKeyBinding {
  uint8_t Flags = kAccelVirtKey;
  uint8_t Reserved = 0;
  uint16_t Key = 0;
  // Low 16 bits of the command id; 0 when the command name matched nothing.
  uint16_t Command = 0;

  bool BindsKey() const { return Key != 0; }
};
static_assert(sizeof(TKeyBinding) == 6);

TParsedKey ParseKey(std::string_view keyText);

// The id of the first command named commandName, compared without regard to
// case; 0 when there is none.
uint16_t FindCommandId(std::string_view commandName, std::span<const TCmd> commands);

TKeyBinding ParseBinding(std::string_view keyText, std::string_view commandName, std::span<const TCmd> commands);

// "Alt+", "Shift+", "Ctrl+" (always in that order) and the key's name or
// character, as the menu shows it; empty for a binding of no key.
std::string KeyText(const TKeyBinding& binding);
