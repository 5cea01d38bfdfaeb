#include "viewer/plugin_list_box_win.h"

#include <string>
#include <vector>

#include "app/globals.h"
#include "framework/message_box.h"
#include "plugins/plugin_table_win.h"
#include "viewer/info_texts.h"

void ShowPluginList(HWND owner) {
  std::vector<TPluginListEntry> entries;
  for (int32_t i = 0; PluginFiles && i < PluginFiles->Count; ++i) {
    TPluginListEntry entry;
    entry.Path = static_cast<const char*>(PluginFiles->Get(i));
    TPlugin& plugin = PluginRecord(entry.Path);
    // A DLL without the export is no plug-in the viewer can use either.
    entry.Found = PluginFound(plugin);
    entry.Bridged = plugin.Bridged;
    if (entry.Found) entry.Description = GetPluginDescription(plugin);
    entries.push_back(std::move(entry));
  }
  ShowMessageBox(owner, PluginListText(entries), "Plug-in List", MB_OK);
}
