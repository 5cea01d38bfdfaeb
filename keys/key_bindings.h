#pragma once
// The bindings of keys to commands: the default pairs, replaced as a whole by
// the user's keymap file when that yields any line, and the menu captions
// that list each command's keys. Pure; TKeyTable adds the platform's tables.

#include <cstdint>
#include <span>
#include <string>

#include "config/conf_syntax.h"
#include "keys/key_text.h"

constexpr int32_t kMaxKeyBindings = 256;

class TKeyBindings {
 public:
  // The commands are referenced, not copied: they must outlive this object.
  explicit TKeyBindings(std::span<const TCmd> commands);

  // Binds the (key text, command name) pairs; an odd last string is ignored.
  void SetDefaults(std::span<const char* const> pairs);
  // Takes one binding per line (key text, then the command name as the first
  // value), at most kMaxKeyBindings. A file that yields no line leaves the
  // bindings as they were; any line replaces them all.
  void ReadKeyMap(TConfFile& file);
  // The command's caption, a tab and its keys in binding order joined by
  // ", "; empty for an id that no command has.
  std::string MenuText(int32_t id) const;

  std::span<const TKeyBinding> InUse() const { return {Entries, static_cast<size_t>(Count)}; }

  TKeyBinding Entries[kMaxKeyBindings];
  int32_t Count = 0;
  const TCmd* Commands;
  int32_t CommandCount;
};
