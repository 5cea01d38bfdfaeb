#include "keys/key_bindings.h"

#include <algorithm>

TKeyBindings::TKeyBindings(std::span<const TCmd> commands)
    : Commands(commands.data()), CommandCount(static_cast<int32_t>(commands.size())) {}

void TKeyBindings::SetDefaults(std::span<const char* const> pairs) {
  std::span<const TCmd> commands(Commands, static_cast<size_t>(CommandCount));
  Count = static_cast<int32_t>(std::min<size_t>(pairs.size() / 2, kMaxKeyBindings));
  for (int32_t i = 0; i < Count; ++i) Entries[i] = ParseBinding(pairs[2 * i], pairs[2 * i + 1], commands);
}

void TKeyBindings::ReadKeyMap(TConfFile& file) {
  std::span<const TCmd> commands(Commands, static_cast<size_t>(CommandCount));
  int32_t read = 0;
  // Every line takes a slot, also one whose command is unknown or missing, so
  // the count of lines, not of useful ones, reaches the limit.
  while (read < kMaxKeyBindings && file.Next())
    Entries[read++] = ParseBinding(file.Line.Key, file.Line.Values[0], commands);
  if (read > 0) Count = read;
}

std::string TKeyBindings::MenuText(int32_t id) const {
  const TCmd* command = nullptr;
  for (int32_t i = 0; i < CommandCount && !command; ++i)
    if (Commands[i].Id == id) command = &Commands[i];
  if (!command) return {};

  std::string text = std::string(command->Caption) + "\t";
  const uint16_t commandId = static_cast<uint16_t>(id & 0xFFFF);
  bool first = true;
  for (const TKeyBinding& binding : InUse()) {
    if (binding.Command != commandId || !binding.BindsKey()) continue;
    if (!first) text += ", ";
    text += KeyText(binding);
    first = false;
  }
  return text;
}
