// Times the two file paths users feel: listing a folder of 10,000 files
// (ScanFolder against a bare FindFirstFile/FindNextFile loop over the same
// folder) and opening and showing a 100 MB 24-bit bitmap (OpenFile into a
// real window against a raw read of the same file). Prints medians and ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "bench/bench_timing.h"
#include "image/img.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"

namespace {

std::string TempFolder(const char* name) {
  char temp[MAX_PATH + 1];
  GetTempPathA(sizeof temp, temp);
  std::string folder = std::string(temp) + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteBytes(const std::string& name, const void* data, size_t size) {
  HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (size) WriteFile(f, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(f);
}

void BenchFolder() {
  const std::string folder = TempFolder("orv-bench-folder");
  const int files = 10000;
  for (int i = 0; i < files; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "picture %05d %c.jpg", (i * 7919) % files, 'a' + i % 26);
    std::string path = folder + name;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) WriteBytes(path, "", 0);
  }
  double bare = MedianMs(9, [&] {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &found);
    int n = 0;
    if (h != INVALID_HANDLE_VALUE) {
      do ++n;
      while (FindNextFileA(h, &found));
      FindClose(h);
    }
    if (n < files) std::printf("listed only %d files\n", n);
  });
  TFileList list;
  double scan = MedianMs(9, [&] { list.ScanFolder(folder + "picture 00000 a.jpg"); });
  std::printf("folder of %d files: FindFirstFile loop %.1f ms, ScanFolder %.1f ms (%.2fx)\n", list.Count(), bare,
              scan, scan / bare);
}

void BenchBigBitmap() {
  const std::string folder = TempFolder("orv-bench-bitmap");
  const std::string path = folder + "big.bmp";
  const int w = 5800, h = 5800, stride = (w * 3 + 3) / 4 * 4;
  const size_t size = 54 + static_cast<size_t>(stride) * h;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::vector<uint8_t> file(size);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(size), 0, 0, 54};
    BITMAPINFOHEADER ih{40, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    memcpy(file.data(), &fh, 14);
    memcpy(file.data() + 14, &ih, 40);
    for (size_t i = 54; i < size; ++i) file[i] = static_cast<uint8_t>(i * 31 >> 4);
    WriteBytes(path, file.data(), size);
  }
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
  double raw = MedianMs(5, [&] {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(f, buffer.get(), static_cast<DWORD>(size), &got, nullptr);
    CloseHandle(f);
  });

  TMainWindow window("OrvBench");
  window.Background = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  window.CreateWnd(0, 0, 1024, 768);
  window.Show();
  MainWindow = &window;
  FolderFiles = new TFileList;
  ArchiveFiles = new TFileList;
  PendingArchiveFiles = new TFileList;
  PluginFiles = new TSimpleList;
  double open = MedianMs(5, [&] {
    if (OpenFile(path, false) != 0) std::printf("open failed\n");
  });
  // What any reader pays first: memory for the file that has never been touched.
  double fresh = MedianMs(5, [&] {
    std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(f, block.get(), static_cast<DWORD>(size), &got, nullptr);
    CloseHandle(f);
  });
  std::printf("%.0f MB 24-bit bitmap: raw read into a reused buffer %.1f ms, into a new buffer %.1f ms, "
              "open and show %.1f ms (%.2fx the reused, %.2fx the new)\n",
              size / 1048576.0, raw, fresh, open, open / raw, open / fresh);
  FreeImg(Img);
  DestroyWindow(window.Handle);
  MainWindow = nullptr;
}

}  // namespace

int main() {
  BenchFolder();
  BenchBigBitmap();
  return 0;
}
