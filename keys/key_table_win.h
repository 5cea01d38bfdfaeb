#pragma once
// The key table of the running program: the bindings, the accelerator table
// the message loop translates keys with, and the menu items that show each
// command with its keys.

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "framework/handles.h"
#include "keys/key_bindings.h"

class TKeyTable : public TKeyBindings {
 public:
  // Binds the default pairs, then the keymap file (when it yields any line),
  // and builds the accelerator table from the result.
  TKeyTable(std::span<const TCmd> commands, std::span<const char* const> defaultPairs, const std::string& keyMapFile);

  // A missing or unreadable file leaves the bindings as they are.
  void LoadKeyMap(const std::string& fileName);
  // Appends the command with its keys to Menu, when Menu is a menu.
  void AddMenuItem(int32_t id);
  // Appends each id in order; kMenuSeparator (-1) appends a separator.
  void AddMenuItems(std::span<const int32_t> ids);

  // Null when no binding names a key.
  AccelHandle Accel;
  // Set by the menu builder, which creates and destroys the menu; not owned here.
  HMENU Menu = nullptr;
};
