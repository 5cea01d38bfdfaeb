#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "framework/handles.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_util.h"
#include "util/names_win.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"

TFileList* FolderFiles = nullptr;
TFileList* ArchiveFiles = nullptr;
TFileList* PendingArchiveFiles = nullptr;

TFileList::~TFileList() { Clear(); }

void TFileList::Clear() {
  for (int32_t i = 0; i < List.Count; ++i) delete static_cast<FileEntry*>(List.Items[i]);
  List.Clear();
}

int32_t TFileList::Add(const FileEntry& entry) {
  auto* copy = new FileEntry(entry);
  copy->Name[kFileEntryNameSize - 1] = '\0';
  int32_t index = List.Add(copy);
  if (index < 0) delete copy;
  return index;
}

namespace {

int32_t CompareNames(const void* a, const void* b) {
  return lstrcmpW(WideOf(static_cast<const FileEntry*>(a)->Name).c_str(),
                  WideOf(static_cast<const FileEntry*>(b)->Name).c_str());
}

// The sort key of a name under the comparison lstrcmpW makes (the thread's
// locale, no flags): comparing keys bytewise orders exactly as lstrcmpW does,
// at a fraction of its cost per comparison. lstrcmpA compares the same UTF-16
// the code page's bytes stand for, so names the code page spells keep their
// order. Empty when the system cannot make one.
std::string SortKey(LCID locale, const char* name) {
  const std::wstring wide = WideOf(name);
  // One call for the names of ordinary length; a longer key is measured first.
  char buffer[1024];
  int n = LCMapStringW(locale, LCMAP_SORTKEY, wide.c_str(), -1, reinterpret_cast<LPWSTR>(buffer), sizeof buffer);
  if (n > 0) return std::string(buffer, static_cast<size_t>(n));
  n = LCMapStringW(locale, LCMAP_SORTKEY, wide.c_str(), -1, nullptr, 0);
  if (n <= 0) return {};
  std::string key(static_cast<size_t>(n), '\0');
  if (LCMapStringW(locale, LCMAP_SORTKEY, wide.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()), n) != n) return {};
  return key;
}

}  // namespace

void TFileList::Sort() {
  if (List.Count < 2) return;
  // A folder of thousands of files is sorted by precomputed keys; should any
  // key be missing, the plain comparison sorts instead.
  const LCID locale = GetThreadLocale();
  std::vector<std::pair<std::string, void*>> keyed;
  keyed.reserve(static_cast<size_t>(List.Count));
  for (int32_t i = 0; i < List.Count; ++i) {
    std::string key = SortKey(locale, static_cast<FileEntry*>(List.Items[i])->Name);
    if (key.empty()) {
      List.Sort(CompareNames);
      return;
    }
    keyed.emplace_back(std::move(key), List.Items[i]);
  }
  std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (int32_t i = 0; i < List.Count; ++i) List.Items[i] = keyed[static_cast<size_t>(i)].second;
}

void TFileList::ScanFolder(const std::string& path) {
  Clear();
  const std::string folder = FolderOf(path);
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW(WideOf(JoinText(folder, "*.*")).c_str(), &found));
  if (!search) return;
  FileEntry entry{};
  entry.Candidate = 1;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string name = NameOfWide(found.cFileName, wcsnlen(found.cFileName, MAX_PATH));
    std::memset(entry.Name, 0, sizeof entry.Name);
    std::strncpy(entry.Name, name.c_str(), kFileEntryNameSize - 1);
    Add(entry);
  } while (FindNextFileW(search.get(), &found));
  search.reset();
  Sort();
  // Byte for byte, case included, as the walk would name each file.
  for (int32_t i = 0; i < Count(); ++i) {
    if (JoinText(folder, Get(i)->Name) == path) {
      Current = i;
      return;
    }
  }
}

void TFileList::LoadArchive(TPlugin& plugin, const std::string& archive) {
  std::unique_ptr<FileEntry[]> entries;
  int32_t code = ReadArchiveEntries(plugin, archive, entries);
  if (code != 0) {
    ShowPluginError(archive, code);
    return;
  }
  if (!entries) return;
  Clear();
  for (size_t i = 0; entries[i].Name[0] != '\0'; ++i) Add(entries[i]);
  Sort();
}
