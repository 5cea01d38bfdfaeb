// Consistency of the constant tables, checked when the program is compiled:
// a slip in one of them would silently unbind a key or blank a menu item.
#include "app/command_table.h"

#include "util/sutil.h"

namespace {

constexpr bool IsCommandName(const char* name) {
  for (const TCmd& command : CommandTable)
    if (SameIgnoringAsciiCase(command.Name, name)) return true;
  return false;
}

constexpr bool IsCommandId(int32_t id) {
  for (const TCmd& command : CommandTable)
    if (command.Id == id) return true;
  return false;
}

// Lookups go by name ignoring case and by id, so a second entry with the
// same name or id could never be reached.
constexpr bool NamesAndIdsAreUnique() {
  for (int32_t i = 0; i < kCommandCount; ++i)
    for (int32_t j = i + 1; j < kCommandCount; ++j)
      if (SameIgnoringAsciiCase(CommandTable[i].Name, CommandTable[j].Name) || CommandTable[i].Id == CommandTable[j].Id)
        return false;
  return true;
}

// Ids travel in 16 bits, 0 is "no command", and the menu-only and range ids
// must stay clear of the table.
constexpr bool IdsFitAndStayOutOfReservedIds() {
  for (const TCmd& command : CommandTable) {
    const int32_t id = command.Id;
    if (id <= 0 || id > 0xFFFF || id == kCmdWallpaperNormal || id == kCmdWallpaperTile) return false;
    if (id >= kPluginSettingsIdFirst && id <= kPluginSettingsIdLast) return false;
  }
  return true;
}

constexpr bool DefaultsNameCommands() {
  for (int32_t i = 1; i < kDefaultKeyMapSize; i += 2)
    if (!IsCommandName(DefaultKeyMap[i])) return false;
  return true;
}

constexpr bool PopupItemsAreCommands() {
  for (int32_t id : PopupLayout)
    if (id != kMenuSeparator && !IsCommandId(id)) return false;
  return true;
}

static_assert(NamesAndIdsAreUnique());
static_assert(IdsFitAndStayOutOfReservedIds());
static_assert(DefaultsNameCommands());
static_assert(PopupItemsAreCommands());
static_assert(kDefaultKeyMapSize % 2 == 0);

}  // namespace
