#include "keys/key_table_win.h"

#include <cstddef>
#include <vector>

#include "config/conf_syntax.h"

namespace {

static_assert(kAccelVirtKey == FVIRTKEY && kAccelShift == FSHIFT && kAccelControl == FCONTROL && kAccelAlt == FALT);
static_assert(sizeof(TKeyBinding) == sizeof(ACCEL) && offsetof(TKeyBinding, Key) == offsetof(ACCEL, key) &&
              offsetof(TKeyBinding, Command) == offsetof(ACCEL, cmd));

constexpr bool NamedKeysMatchPlatform() {
  constexpr int codes[kKeyNameCount] = {
      VK_BACK,     VK_TAB,     VK_RETURN,  VK_ESCAPE,  VK_SPACE,   VK_PRIOR,   VK_NEXT,    VK_END,      VK_HOME,
      VK_LEFT,     VK_UP,      VK_RIGHT,   VK_DOWN,    VK_INSERT,  VK_DELETE,  VK_NUMPAD0, VK_NUMPAD1,  VK_NUMPAD2,
      VK_NUMPAD3,  VK_NUMPAD4, VK_NUMPAD5, VK_NUMPAD6, VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD9, VK_MULTIPLY, VK_ADD,
      VK_SUBTRACT, VK_DECIMAL, VK_DIVIDE,  VK_F1,      VK_F2,      VK_F3,      VK_F4,      VK_F5,       VK_F6,
      VK_F7,       VK_F8,      VK_F9,      VK_F10,     VK_F11,     VK_F12};
  for (int i = 0; i < kKeyNameCount; ++i)
    if (KeyNames[i].Id != codes[i]) return false;
  return true;
}
static_assert(NamedKeysMatchPlatform());

// A binding of no key (an empty key part) has no place in the platform's table.
AccelHandle CreateAccelerators(std::span<const TKeyBinding> bindings) {
  std::vector<ACCEL> table;
  for (const TKeyBinding& binding : bindings)
    if (binding.BindsKey()) table.push_back(ACCEL{binding.Flags, binding.Key, binding.Command});
  if (table.empty()) return AccelHandle();
  return AccelHandle(CreateAcceleratorTableA(table.data(), static_cast<int>(table.size())));
}

}  // namespace

TKeyTable::TKeyTable(std::span<const TCmd> commands, std::span<const char* const> defaultPairs,
                     const std::string& keyMapFile)
    : TKeyBindings(commands) {
  SetDefaults(defaultPairs);
  LoadKeyMap(keyMapFile);
  Accel = CreateAccelerators(InUse());
}

void TKeyTable::LoadKeyMap(const std::string& fileName) {
  TConfFile file(fileName);
  ReadKeyMap(file);
}

void TKeyTable::AddMenuItem(int32_t id) {
  if (!IsMenu(Menu)) return;
  // Menus and command messages carry 16-bit ids.
  AppendMenuA(Menu, MF_STRING, static_cast<UINT_PTR>(id & 0xFFFF), MenuText(id).c_str());
}

void TKeyTable::AddMenuItems(std::span<const int32_t> ids) {
  for (int32_t id : ids) {
    if (id == kMenuSeparator)
      AppendMenuA(Menu, MF_SEPARATOR, 0, nullptr);
    else
      AddMenuItem(id);
  }
}
