// Times start-up as the user sees it: from starting the process to the first
// painted picture, for "orv.exe pic.bmp" (orv64.exe in the 64-bit build) with
// a 30-entry catalogue, beside bare_window (a window that paints the same
// bitmap and does nothing else), alternating the two. The picture counts as painted when a pixel read back
// from the window's client area has its colour. Prints medians, minima and
// the ratio of the medians.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/version.h"
#include "bench/bench_timing.h"
#include "plugins/plugin_list.h"
#include "tools/process_window.h"

namespace {

constexpr int kRuns = 31;
constexpr int kCatalogueEntries = 30;
constexpr int kWidth = 640, kHeight = 480;
constexpr BYTE kRed = 0x20, kGreen = 0x80, kBlue = 0xC0;

std::string OwnFolder() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

void WriteBytes(const std::string& name, const void* data, size_t size) {
  HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (size) WriteFile(f, data, static_cast<DWORD>(size), &written, nullptr);
  CloseHandle(f);
}

void WriteBitmap(const std::string& name) {
  const DWORD stride = (kWidth * 3 + 3) / 4 * 4;
  std::vector<BYTE> file(54 + stride * kHeight);
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(file.size()), 0, 0, 54};
  BITMAPINFOHEADER ih{40, kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::memcpy(file.data(), &fh, sizeof fh);
  std::memcpy(file.data() + sizeof fh, &ih, sizeof ih);
  for (size_t at = 54; at + 3 <= file.size(); at += 3) {
    file[at] = kBlue;
    file[at + 1] = kGreen;
    file[at + 2] = kRed;
  }
  WriteBytes(name, file.data(), file.size());
}

bool ShowsThePicture(HWND window) {
  HDC dc = GetDC(window);
  const COLORREF pixel = GetPixel(dc, kWidth / 2, kHeight / 2);
  ReleaseDC(window, dc);
  return pixel == RGB(kRed, kGreen, kBlue);
}

// Milliseconds from CreateProcess to the picture on screen, or -1.
double TimeToPicture(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  const double start = Now();
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  double shown = -1;
  HWND window = nullptr;
  while (Now() - start < 20000) {
    if (!window) window = FindProcessWindow(process.dwProcessId);
    if (window && ShowsThePicture(window)) {
      shown = Now() - start;
      break;
    }
    Sleep(1);
  }
  // Ended at once: a closed window's process lingers under Wine for seconds,
  // which would only make the run long.
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown;
}

struct Times {
  std::vector<double> ms;
  double Median() {
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? -1 : ms[ms.size() / 2];
  }
  double Min() const { return ms.empty() ? -1 : *std::min_element(ms.begin(), ms.end()); }
};

}  // namespace

int main() {
  const std::string own = OwnFolder();
  char temp[MAX_PATH + 1];
  GetTempPathA(sizeof temp, temp);
  const std::string root = std::string(temp) + "orvbench_startup";
  const std::string profile = root + "\\orv\\";
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA(profile.c_str(), nullptr);

  // The catalogue names real plug-ins, as a user's does; a bitmap is read by
  // the viewer itself, so none of them is loaded.
  std::string catalogue;
  for (int i = 0; i < kCatalogueEntries; ++i) {
    const std::string plugin = profile + "plugin" + std::to_string(i) + kPluginSuffix;
    CopyFileA((own + "bench_plugin" + kPluginSuffix).c_str(), plugin.c_str(), FALSE);
    catalogue += plugin + "\r\n";
  }
  WriteBytes(profile + kPluginListName, catalogue.data(), catalogue.size());
  const std::string picture = root + "\\pic.bmp";
  WriteBitmap(picture);
  // The profile comes from the environment, so the command line is the plain one.
  SetEnvironmentVariableA("TAVOPROF", root.c_str());

  const std::string orv = "\"" + own + "..\\" ORV_PROGRAM_FILE "\" \"" + picture + "\"";
  const std::string bare = "\"" + own + "bare_window.exe\" \"" + picture + "\"";
  TimeToPicture(bare);  // the first start of a session warms caches for both
  TimeToPicture(orv);
  // Pairs run back to back share the machine's load of the moment: the median
  // of their ratios is the steadiest figure on a busy machine.
  Times orvTimes, bareTimes, ratios;
  for (int i = 0; i < kRuns; ++i) {
    for (auto [line, times] : {std::pair{&bare, &bareTimes}, std::pair{&orv, &orvTimes}}) {
      const double ms = TimeToPicture(*line);
      if (ms < 0) {
        std::printf("did not show the picture: %s\n", line->c_str());
        return 1;
      }
      times->ms.push_back(ms);
    }
    ratios.ms.push_back(orvTimes.ms.back() / bareTimes.ms.back());
  }
  const double orvMedian = orvTimes.Median(), bareMedian = bareTimes.Median();
  std::printf("start to first painted %dx%d picture, %d runs each, catalogue of %d entries\n", kWidth, kHeight, kRuns,
              kCatalogueEntries);
  std::printf("  bare window: median %7.1f ms, min %7.1f ms\n", bareMedian, bareTimes.Min());
  std::printf("  orv:         median %7.1f ms, min %7.1f ms\n", orvMedian, orvTimes.Min());
  std::printf("  ratio of medians: %.2f, median of paired ratios: %.2f\n", orvMedian / bareMedian, ratios.Median());

  for (int i = 0; i < kCatalogueEntries; ++i)
    DeleteFileA((profile + "plugin" + std::to_string(i) + kPluginSuffix).c_str());
  DeleteFileA((profile + kPluginListName).c_str());
  DeleteFileA(picture.c_str());
  RemoveDirectoryA(profile.c_str());
  RemoveDirectoryA(root.c_str());
  return 0;
}
