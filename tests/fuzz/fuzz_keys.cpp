// Key texts and keymap files of any shape: parsing must bind a key or none,
// and the menu texts built from the bindings must stay within what was parsed.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "app/command_table.h"
#include "config/conf_syntax.h"
#include "keys/key_bindings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The whole input as one key text and command name, split at the first line feed.
  size_t split = bytes.find('\n');
  std::string_view keyText = bytes.substr(0, split);
  std::string_view commandName = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);
  TKeyBinding binding = ParseBinding(keyText, commandName, CommandTable);
  if (!(binding.Flags & kAccelVirtKey) || (binding.Flags & ~(kAccelVirtKey | kAccelShift | kAccelControl | kAccelAlt)))
    __builtin_trap();
  if (binding.Key > 255) __builtin_trap();
  if (binding.BindsKey() == KeyText(binding).empty()) __builtin_trap();

  // The same bytes as a keymap file.
  std::string content;
  AppendConfLines(bytes, content, [](const std::string&) {});
  TConfFile file(content, 0);
  TKeyBindings keys(CommandTable);
  keys.SetDefaults(DefaultKeyMap);
  keys.ReadKeyMap(file);
  if (keys.Count < 1 || keys.Count > kMaxKeyBindings) __builtin_trap();
  for (const TCmd& command : CommandTable) {
    std::string text = keys.MenuText(command.Id);
    if (text.compare(0, std::strlen(command.Caption), command.Caption) != 0) __builtin_trap();
  }
  return 0;
}
