// Page turns in a real main window: NextImage from one small PNG to the next
// through the picture plug-in, 40 steps, with thirty other plug-ins ahead of it
// in the catalogue (copies of a small plug-in that refuses every file, each its
// own DLL built with MinGW's thread runtime) and with the picture plug-in
// alone, taken in turns in one run. The first pass with the thirty loads each
// of them once and is shown apart.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/globals.h"
#include "bench/bench_timing.h"
#include "companion_test_util.h"
#include "image/img.h"
#include "picture_builders.h"
#include "plugin_test_util.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"

namespace {

constexpr int kPictures = 40;
constexpr int kPluginsAhead = 30;
constexpr int kRounds = 5;

std::string SmallPng(uint32_t seed) {
  PngRecipe r;
  r.Width = 64;
  r.Height = 48;
  for (uint32_t i = 0; i < r.Width * r.Height * 3; ++i) {
    seed = seed * 1664525 + 1013904223;
    r.Samples.push_back(static_cast<uint16_t>(seed >> 24));
  }
  return PngFile(r);
}

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void UseCatalogue(const std::vector<std::string>& plugins) {
  for (int32_t i = 0; i < PluginFiles->Count; ++i) std::free(PluginFiles->Items[i]);
  PluginFiles->Clear();
  for (const std::string& p : plugins) PluginFiles->Add(_strdup(p.c_str()));
}

// The milliseconds of each NextImage, from the folder's first picture to its
// last; empty when a step showed nothing new.
std::vector<double> Walk(TMainWindow& window, const std::string& first) {
  FolderFiles->Clear();  // as a drop does: the folder is listed again from the first picture
  if (OpenFile(first, false) != 0) return {};
  Pump();
  std::vector<double> times;
  for (int i = 1; i < kPictures; ++i) {
    const std::string before = Img.FileName;
    const double start = Now();
    window.DoCommand(kCmdNextImage);
    Pump();
    times.push_back(Now() - start);
    if (Img.FileName == before) return {};
  }
  return times;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  TempDir pictures, plugins;
  for (int i = 0; i < kPictures; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%02d.png", i);
    pictures.Write(name, SmallPng(static_cast<uint32_t>(i)));
  }
  const std::string wic = CompanionDll("orvwic");
  std::vector<std::string> crowded;
  for (int i = 0; i < kPluginsAhead; ++i) {
    const std::string copy = plugins.Path() + "refuser" + std::to_string(i) + ORV_PLUGIN_SUFFIX;
    CopyFileA(ProgramPath(ORV_REFUSER).c_str(), copy.c_str(), FALSE);
    crowded.push_back(copy);
  }
  crowded.push_back(wic);
  const std::vector<std::string> alone = {wic};

  std::unique_ptr<TMainWindow> window = CreateMainWindow("Orv");
  window->Show();
  TProgramState state(window.get());
  const std::string first = pictures.Path() + "p00.png";

  // The first open with the thirty loads each of them, and the picture plug-in.
  UseCatalogue(crowded);
  const double loading = Now();
  if (OpenFile(first, false) != 0) return std::printf("the first picture did not open\n"), 1;
  const double firstOpen = Now() - loading;
  std::vector<double> withCrowd, withAlone;
  for (int round = 0; round < kRounds; ++round) {
    UseCatalogue(crowded);
    const std::vector<double> crowdWalk = Walk(*window, first);
    UseCatalogue(alone);
    const std::vector<double> aloneWalk = Walk(*window, first);
    if (crowdWalk.empty() || aloneWalk.empty()) return std::printf("a page turn showed no new picture\n"), 1;
    withCrowd.push_back(Median(crowdWalk));
    withAlone.push_back(Median(aloneWalk));
  }
  const double crowd = Median(withCrowd), single = Median(withAlone);
  std::printf("NextImage between %d small PNGs through orvwic%s, median of %d walks:\n", kPictures,
              ORV_PLUGIN_SUFFIX, kRounds);
  std::printf("  first open, loading the %d plug-ins and orvwic:  %7.2f ms\n", kPluginsAhead, firstOpen);
  std::printf("  %d plug-ins ahead:                              %7.2f ms a turn\n", kPluginsAhead, crowd);
  std::printf("  the picture plug-in alone:                      %7.2f ms a turn\n", single);
  std::printf("  ratio %.2f (goal: at most 1.10)\n", crowd / single);
  return 0;
}
