#pragma once
// A sorted list of navigation candidates: the files of one folder or the
// members of one archive, with a current position.

#include <windows.h>

#include <cstdint>
#include <string>

#include "plugins/plugin_table_win.h"
#include "plugins/spi_records.h"
#include "util/simple_list.h"

class TFileList {
public:
  TFileList() = default;
  virtual ~TFileList();
  TFileList(const TFileList&) = delete;
  TFileList& operator=(const TFileList&) = delete;

  // Frees every entry; Current keeps its value.
  void Clear();
  FileEntry* Get(int32_t index) const { return static_cast<FileEntry*>(List.Get(index)); }
  int32_t Count() const { return List.Count; }
  // Appends a copy of entry; returns its index, or -1 when it could not be stored.
  int32_t Add(const FileEntry& entry);
  // Ascending by Name in the order of lstrcmpA.
  void Sort();
  // Lists the plain files of path's folder and sets Current to path's entry
  // (unchanged when path is not among them).
  void ScanFolder(const std::string& path);
  // Replaces the entries with the archive's members; on a plug-in error shows
  // it and keeps the list as it was.
  void LoadArchive(TPlugin& plugin, const std::string& archive);

  TSimpleList List;
  // -1 and Count serve navigation as starting points before the first and
  // after the last entry.
  int32_t Current = 0;
};

extern TFileList* FolderFiles;
extern TFileList* ArchiveFiles;
extern TFileList* PendingArchiveFiles;
