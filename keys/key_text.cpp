#include "keys/key_text.h"

#include "util/sutil.h"

namespace {

uint16_t CodeOfKeyPart(std::string_view keyPart) {
  if (keyPart.empty()) return 0;
  for (const TCmd& name : KeyNames)
    if (keyPart == name.Name) return static_cast<uint16_t>(name.Id);
  // Letters and digits are their own virtual-key codes; any other text stands
  // for the key of its first character.
  return static_cast<unsigned char>(keyPart[0]);
}

}  // namespace

TParsedKey ParseKey(std::string_view keyText) {
  TParsedKey key;
  std::string_view keyPart = keyText;
  // A lone "-" is a key, not an empty modifier list.
  if (keyText.size() != 1) {
    size_t dash = keyText.find('-');
    if (dash != std::string_view::npos) {
      std::string_view modifiers = keyText.substr(0, dash);
      key.Alt = modifiers.find('A') != std::string_view::npos;
      key.Ctrl = modifiers.find('C') != std::string_view::npos;
      key.Shift = modifiers.find('S') != std::string_view::npos;
      keyPart = keyText.substr(dash + 1);
    }
  }
  key.Code = CodeOfKeyPart(keyPart);
  return key;
}

uint16_t FindCommandId(std::string_view commandName, std::span<const TCmd> commands) {
  for (const TCmd& command : commands)
    if (SameIgnoringAsciiCase(commandName, command.Name)) return static_cast<uint16_t>(command.Id & 0xFFFF);
  return 0;
}

TKeyBinding ParseBinding(std::string_view keyText, std::string_view commandName, std::span<const TCmd> commands) {
  TParsedKey key = ParseKey(keyText);
  TKeyBinding binding;
  binding.Key = key.Code;
  if (key.Alt) binding.Flags |= kAccelAlt;
  if (key.Ctrl) binding.Flags |= kAccelControl;
  if (key.Shift) binding.Flags |= kAccelShift;
  binding.Command = FindCommandId(commandName, commands);
  return binding;
}

std::string KeyText(const TKeyBinding& binding) {
  if (!binding.BindsKey()) return {};
  std::string text;
  if (binding.Flags & kAccelAlt) text += "Alt+";
  if (binding.Flags & kAccelShift) text += "Shift+";
  if (binding.Flags & kAccelControl) text += "Ctrl+";
  for (const TCmd& name : KeyNames)
    if (name.Id == binding.Key) return text + name.Name;
  text += static_cast<char>(binding.Key & 0xFF);
  return text;
}
