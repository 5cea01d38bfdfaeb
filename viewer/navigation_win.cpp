#include <algorithm>

#include "app/globals.h"
#include "image/img.h"
#include "viewer/open_picture_win.h"
#include "viewer/read_ahead_win.h"
#include "util/names_win.h"
#include "util/sutil_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/view_state.h"

TPlugin* ArchivePlugin = nullptr;

namespace {

// Opens entry i of a member list; marks it by the outcome.
int32_t TryMember(TFileList& list, int32_t i, const std::string& archive, TPlugin* plugin) {
  FileEntry* entry = list.Get(i);
  TPlugin* nested = nullptr;  // a member that is itself an archive is refused
  int32_t result = OpenPicture(archive, entry, plugin, nested);
  if (result == 0) {
    entry->Candidate = 1;
    list.Current = i;
  } else {
    entry->Candidate = 0;
  }
  return result;
}

// What a walk remembers to restore the scroll position for a same-size picture.
struct ViewBefore {
  int32_t width = Img.Width;
  int32_t height = Img.Height;
  int32_t scrollX = ScrollX;
  int32_t scrollY = ScrollY;
};

// The new picture is already painted at the top-left corner: it is painted
// again only when the kept position moves it.
void FinishStep(const ViewBefore& before) {
  if (!KeepViewPosition || Img.Width != before.width || Img.Height != before.height) return;
  if (ScrollX == before.scrollX && ScrollY == before.scrollY) return;
  ScrollX = before.scrollX;
  ScrollY = before.scrollY;
  if (MainWindow && MainWindow->Handle) {
    InvalidateRect(MainWindow->Handle, nullptr, FALSE);
    UpdateWindow(MainWindow->Handle);
  }
}

// The folder walk shared by both directions. A rescanned list may be shorter
// than its old position; the walk starts inside the list whatever Current says.
bool WalkFolder(const std::string& base, bool forward, bool backwardOpen) {
  const std::string folder = FolderOf(base);
  if (FolderFiles->Count() == 0) FolderFiles->ScanFolder(base);
  const int32_t count = FolderFiles->Count();
  const int32_t step = forward ? 1 : -1;
  int32_t i = FolderFiles->Current + step;
  if (forward)
    i = std::max(i, 0);
  else
    i = std::min(i, count - 1);
  for (; i >= 0 && i < count; i += step) {
    FileEntry* entry = FolderFiles->Get(i);
    if (entry->Candidate == 0) continue;
    if (OpenFile(JoinText(folder, entry->Name), backwardOpen) == 0) {
      FolderFiles->Current = i;
      return true;
    }
    entry->Candidate = 0;
  }
  return false;
}

void Go(bool forward, bool byFile) {
  ViewBefore before;
  std::string base;
  if (ArchivePlugin) {
    if (!byFile) {
      int32_t r = forward ? StepForward(*ArchiveFiles, CurrentArchive, ArchivePlugin)
                          : StepBack(*ArchiveFiles, CurrentArchive, ArchivePlugin);
      if (r == 0) {
        FinishStep(before);
        return;
      }
    }
    base = CurrentArchive;
  } else {
    base = Img.FileName;
  }
  // PrevImage enters an archive at its last member, PrevFile at its first.
  if (WalkFolder(base, forward, !forward && !byFile)) FinishStep(before);
}

// How many entries a read-ahead tries in each direction before it gives up
// finding one that opens.
constexpr size_t kReadAheadCandidates = 8;

// The sources a walk from the shown picture would try, in its order: the
// archive's remaining members, then the folder's files after it.
std::vector<TPictureSource> WalkCandidates(bool forward) {
  std::vector<TPictureSource> sources;
  const int32_t step = forward ? 1 : -1;
  std::string base = Img.FileName;
  if (ArchivePlugin) {
    const TFileList& list = *ArchiveFiles;
    for (int32_t i = forward ? std::max(list.Current + 1, 0) : std::min(list.Current - 1, list.Count() - 1);
         i >= 0 && i < list.Count() && sources.size() < kReadAheadCandidates; i += step) {
      const FileEntry* entry = list.Get(i);
      if (entry->Candidate == 0) continue;
      TPictureSource member;
      member.Path = CurrentArchive;
      member.IsMember = true;
      member.Member = *entry;
      member.ArchivePlugin = ArchivePlugin;
      sources.push_back(std::move(member));
    }
    base = CurrentArchive;
  }
  if (FolderFiles->Count() == 0) FolderFiles->ScanFolder(base);
  const std::string folder = FolderOf(base);
  const int32_t count = FolderFiles->Count();
  int32_t i = FolderFiles->Current + step;
  i = forward ? std::max(i, 0) : std::min(i, count - 1);
  for (; i >= 0 && i < count && sources.size() < kReadAheadCandidates; i += step) {
    const FileEntry* entry = FolderFiles->Get(i);
    if (entry->Candidate == 0) continue;
    TPictureSource file;
    file.Path = JoinText(folder, entry->Name);
    sources.push_back(std::move(file));
  }
  return sources;
}

}  // namespace

void PlanReadAhead() {
  if (!ReadAhead || !Img.Loaded || !FolderFiles || !ArchiveFiles) return;
  std::vector<TReadAheadJob> jobs(2);
  jobs[0].Candidates = WalkCandidates(true);
  jobs[1].Candidates = WalkCandidates(false);
  ReadAhead->Plan(std::move(jobs), CatalogueRecords());
}

int32_t StepForward(TFileList& list, const std::string& archive, TPlugin* plugin) {
  int32_t result = -1;
  for (int32_t i = std::max(list.Current + 1, 0); i < list.Count(); ++i) {
    if (list.Get(i)->Candidate == 0) continue;
    result = TryMember(list, i, archive, plugin);
    if (result == 0) break;
  }
  return result;
}

int32_t StepBack(TFileList& list, const std::string& archive, TPlugin* plugin) {
  int32_t result = -1;
  for (int32_t i = std::min(list.Current - 1, list.Count() - 1); i >= 0; --i) {
    if (list.Get(i)->Candidate == 0) continue;
    result = TryMember(list, i, archive, plugin);
    if (result == 0) break;
  }
  return result;
}

int32_t OpenFile(const std::string& path, bool backward) {
  TPlugin* opened = nullptr;
  int32_t r = OpenPicture(path, nullptr, nullptr, opened);
  if (r == 0) {
    ArchivePlugin = nullptr;  // a plain picture: the viewer has left any archive
    return 0;
  }
  if (r != kArchiveOpened) return r;

  if (backward) {
    PendingArchiveFiles->Current = PendingArchiveFiles->Count();
    r = StepBack(*PendingArchiveFiles, path, opened);
  } else {
    PendingArchiveFiles->Current = -1;
    r = StepForward(*PendingArchiveFiles, path, opened);
  }
  if (r != 0) {
    // The previous archive, if any, stays the one being browsed.
    PendingArchiveFiles->Clear();
    return r;
  }
  ArchivePlugin = opened;
  ArchiveFiles->Clear();
  for (int32_t i = 0; i < PendingArchiveFiles->Count(); ++i) ArchiveFiles->Add(*PendingArchiveFiles->Get(i));
  ArchiveFiles->Current = PendingArchiveFiles->Current;
  PendingArchiveFiles->Clear();
  return 0;
}

int32_t OpenNamed(const std::string& path) {
  if (!IsFolder(path)) return OpenFile(path, false);
  // "D:\pics" and "D:\pics\" alike: listed as the files of that folder,
  // walked from before the first.
  const std::string folder = WithTrailingBackslash(FullPathOf(path), SystemLeadByte);
  FolderFiles->Clear();
  FolderFiles->ScanFolder(folder);
  FolderFiles->Current = -1;
  return WalkFolder(folder, true, false) ? 0 : -1;
}

void GoNext(bool byFile) { Go(true, byFile); }

void GoPrev(bool byFile) { Go(false, byFile); }
