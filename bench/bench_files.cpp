// Times the two file paths users feel: listing a folder of 10,000 files
// (ScanFolder against a bare FindFirstFile/FindNextFile loop over the same
// folder) and opening and showing a 100 MB 24-bit bitmap (OpenFile into a
// real window against a raw read of the same file into a fresh buffer, taken
// in turns); and opening a 64 MB run-length stream for a 1 x 1 bitmap, the
// same raw read beside it. Prints medians and ratios, and the peak memory of
// an open, measured in a process of its own so that no earlier peak hides it.
#include <windows.h>
// After windows.h: the memory counters.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "bench/bench_timing.h"
#include "image/img.h"
#include "image/block_alloc.h"
#include "image/bmp_reader.h"
#include "image/loading_win.h"
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

// A 5800 x 5800 24-bit bitmap (96 MB) in the temporary folder, made once.
std::string BigBitmap(size_t& size) {
  const std::string path = TempFolder("orv-bench-bitmap") + "big.bmp";
  const int w = 5800, h = 5800, stride = (w * 3 + 3) / 4 * 4;
  size = 54 + static_cast<size_t>(stride) * h;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    std::vector<uint8_t> file(size);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(size), 0, 0, 54};
    BITMAPINFOHEADER ih{40, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    memcpy(file.data(), &fh, 14);
    memcpy(file.data() + 14, &ih, 40);
    for (size_t i = 54; i < size; ++i) file[i] = static_cast<uint8_t>(i * 31 >> 4);
    WriteBytes(path, file.data(), size);
  }
  return path;
}

// The main window and the lists, as start-up leaves them.
struct TViewer {
  TMainWindow Window{"OrvBench"};
  TViewer() {
    Window.Background = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    Window.CreateWnd(0, 0, 1024, 768);
    Window.Show();
    MainWindow = &Window;
    FolderFiles = new TFileList;
    ArchiveFiles = new TFileList;
    PendingArchiveFiles = new TFileList;
    PluginFiles = new TSimpleList;
  }
  ~TViewer() {
    FreeImg(Img);
    DestroyWindow(Window.Handle);
    MainWindow = nullptr;
  }
};

std::unique_ptr<uint8_t[]> ReadFresh(const std::string& path, size_t size) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[size]);
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD got = 0;
  ReadFile(f, block.get(), static_cast<DWORD>(size), &got, nullptr);
  CloseHandle(f);
  return block;
}

// The road of an archive member: the whole file image in memory, its
// pixels copied into the picture's block.
void LoadFromFileImage(const std::string& path, size_t size) {
  std::unique_ptr<uint8_t[]> image = ReadFresh(path, size);
  TDecodedPicture picture;
  if (ReadBmpImage(image.get(), size, GlobalBlocks, picture) != 0) {
    std::printf("decode failed\n");
    return;
  }
  FreeImg(Img);
  InstallImg(Img, picture, image.get(), size);
}

void BenchBigBitmap(const char* program) {
  size_t size = 0;
  const std::string path = BigBitmap(size);
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
  double reused = MedianMs(5, [&] {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD got = 0;
    ReadFile(f, buffer.get(), static_cast<DWORD>(size), &got, nullptr);
    CloseHandle(f);
  });
  buffer.reset();

  // Taken in turns, so that both see the same machine. Each open fills a
  // fresh block (the previous picture is freed only once the new one is
  // read), as the raw read fills a fresh buffer.
  TViewer viewer;
  std::vector<double> fresh, open, image;
  ReadFresh(path, size);
  OpenFile(path, false);
  for (int i = 0; i < 7; ++i) {
    double start = Now();
    ReadFresh(path, size);
    fresh.push_back(Now() - start);
    start = Now();
    if (OpenFile(path, false) != 0) std::printf("open failed\n");
    open.push_back(Now() - start);
    start = Now();
    LoadFromFileImage(path, size);
    image.push_back(Now() - start);
  }
  auto median = [](std::vector<double>& v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double f = median(fresh), o = median(open), m = median(image);
  std::printf(
      "%.0f MB 24-bit bitmap: raw read into a reused buffer %.1f ms, into a new buffer %.1f ms; "
      "open and show %.1f ms (%.2fx the new); from a whole-file image, as archive members, %.1f ms (%.2fx)\n",
      size / 1048576.0, reused, f, o, o / f, m, m / f);

  // The peaks, from a process of their own.
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + std::string(program) + "\" --peak \"" + path + "\"";
  if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

// 64 MB of 255-pixel runs for a 1 x 1 RLE8 picture: all but the first fall
// past the right edge. Once every such pixel was stepped over, for minutes.
void BenchRunLengthBomb() {
  const uint32_t data = 64u << 20, off = 14 + 40 + 1024;
  std::vector<uint8_t> file(off + data, 255);
  BITMAPFILEHEADER fh{0x4D42, off + data, 0, 0, off};
  BITMAPINFOHEADER ih{40, 1, 1, 1, 8, BI_RLE8, data, 0, 0, 0, 0};
  memcpy(file.data(), &fh, 14);
  memcpy(file.data() + 14, &ih, 40);
  const std::string path = TempFolder("orv_bench_rle") + "bomb.bmp";
  WriteBytes(path, file.data(), file.size());
  file = {};

  TViewer viewer;
  std::vector<double> fresh, open, image;
  for (int i = 0; i < 5; ++i) {
    double start = Now();
    ReadFresh(path, off + data);
    fresh.push_back(Now() - start);
    start = Now();
    if (OpenFile(path, false) != 0) std::printf("open failed\n");
    open.push_back(Now() - start);
    start = Now();
    LoadFromFileImage(path, off + data);
    image.push_back(Now() - start);
  }
  for (auto* v : {&fresh, &open, &image}) std::sort(v->begin(), v->end());
  std::printf(
      "64 MB of runs for a 1 x 1 RLE8 bitmap: raw read into a new buffer %.1f ms; open and show %.1f ms; from a "
      "whole-file image, as archive members, %.1f ms\n",
      fresh[2], open[2], image[2]);
  DeleteFileA(path.c_str());
}

PROCESS_MEMORY_COUNTERS Memory() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof c;
  GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
  return c;
}

double Mb(SIZE_T bytes) { return static_cast<double>(bytes) / 1048576.0; }
double Kb(double bytes) { return bytes / 1024.0; }

// Opens the file twice, reporting for each open the peak the process reached
// over what it holds afterwards: the second open still holds the first
// picture while it reads the new one.
int PeakOfOpen(const std::string& path) {
  TViewer viewer;
  WIN32_FILE_ATTRIBUTE_DATA a{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a);
  const double fileSize = static_cast<double>(a.nFileSizeLow) + 4294967296.0 * a.nFileSizeHigh;
  for (const char* which : {"first open", "open over a held picture", "whole-file image over a held picture"}) {
    const PROCESS_MEMORY_COUNTERS before = Memory();
    if (which[0] == 'w')
      LoadFromFileImage(path, static_cast<size_t>(fileSize));
    else if (OpenFile(path, false) != 0)
      std::printf("open failed\n");
    const PROCESS_MEMORY_COUNTERS after = Memory();
    const double ws = static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(after.WorkingSetSize);
    const double pf = static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(after.PagefileUsage);
    std::printf(
        "%s: held %.1f MB more than before; peak over what is held afterwards: working set %.0f KB, "
        "pagefile %.0f KB (file size %.0f KB; %.0f KB over the file size)\n",
        which, Mb(after.PagefileUsage) - Mb(before.PagefileUsage), Kb(ws), Kb(pf), Kb(fileSize),
        Kb(std::max(ws, pf) - fileSize));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--peak") return PeakOfOpen(argv[2]);
  BenchFolder();
  char program[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  BenchBigBitmap(program);
  BenchRunLengthBomb();
  return 0;
}
