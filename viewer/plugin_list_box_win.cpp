#include "viewer/plugin_list_box_win.h"

#include <string>
#include <vector>

#include "app/globals.h"
#include "framework/message_box.h"
#include "plugins/spi_api.h"
#include "plugins/spi_util.h"
#include "viewer/info_texts.h"

void ShowPluginList(HWND owner) {
  std::vector<TPluginListEntry> entries;
  for (int32_t i = 0; PluginFiles && i < PluginFiles->Count; ++i) {
    TPluginListEntry entry;
    entry.Path = static_cast<const char*>(PluginFiles->Get(i));
    ModuleHandle dll = LoadPluginModule(entry.Path);
    // A DLL without the export is no plug-in the viewer can use either.
    entry.Found = dll && GetExport<SpiGetPluginInfoProc>(dll.get(), "GetPluginInfo");
    if (entry.Found) entry.Description = GetPluginDescription(dll.get());
    entries.push_back(std::move(entry));
  }
  ShowMessageBox(owner, PluginListText(entries), "Plug-in List", MB_OK);
}
