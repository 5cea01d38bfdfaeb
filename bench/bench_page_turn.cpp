// Page turns in a real main window: NextImage from one small PNG to the next
// through the picture plug-in, 40 steps, with thirty other plug-ins ahead of it
// in the catalogue (copies of a small plug-in that refuses every file, each its
// own DLL built with MinGW's thread runtime) and with the picture plug-in
// alone, taken in turns in one run. The first pass with the thirty loads each
// of them once and is shown apart.
//
// Then read-ahead: a folder of ten 24-megapixel JPEG photos and a ZIP of
// forty 4-megapixel JPEG pages, each turn after a pause of a second, NextImage
// to painted, against painting the same picture again and against the same
// turn with read-ahead off; and turns without a pause, on against off.
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
#include "companions/wic/com_win.h"
#include "picture_builders.h"
#include "wic_test_util.h"
#include "zip/zip_builder.h"
#include "plugin_test_util.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/file_list.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/read_ahead_win.h"

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

void PumpFor(double ms) {
  const double end = Now() + ms;
  while (Now() < end) {
    Pump();
    Sleep(5);
  }
}

struct TTurns {
  double Paused = 0;    // median NextImage to painted after a second's pause
  double Repaint = 0;   // median repaint of the picture then shown
  double Straight = 0;  // median NextImage to painted, one after another
};

// Walks from first to the end of its list twice: once pausing a second before
// each turn (and timing a repaint of what it shows), once without pausing.
TTurns TimeTurns(TMainWindow& window, const std::string& first, int turns, TReadAhead* readAhead) {
  ReadAhead = readAhead;
  TTurns result;
  for (bool pause : {true, false}) {
    FolderFiles->Clear();
    if (OpenFile(first, false) != 0) return {};
    Pump();
    std::vector<double> times, repaints;
    for (int i = 0; i < turns; ++i) {
      if (pause) PumpFor(1000);
      const std::string before = Img.FileName + "|" + CurrentArchive;
      const double start = Now();
      window.DoCommand(kCmdNextImage);
      UpdateWindow(window.Handle);
      times.push_back(Now() - start);
      if (Img.FileName + "|" + CurrentArchive == before) return {};
      Pump();
      if (pause) {
        const double again = Now();
        InvalidateRect(window.Handle, nullptr, FALSE);
        UpdateWindow(window.Handle);
        repaints.push_back(Now() - again);
      }
    }
    (pause ? result.Paused : result.Straight) = Median(times);
    if (pause) result.Repaint = Median(repaints);
  }
  if (readAhead) readAhead->Stop();
  ReadAhead = nullptr;
  return result;
}

void ReportTurns(const char* what, const TTurns& on, const TTurns& off) {
  std::printf("%s:\n", what);
  std::printf("  paused turn, read-ahead on:  %8.1f ms   repaint %6.1f ms   ratio %.2f (goal: at most 2)\n", on.Paused,
              on.Repaint, on.Paused / on.Repaint);
  std::printf("  paused turn, read-ahead off: %8.1f ms   (%.1fx the turn with it on)\n", off.Paused,
              off.Paused / on.Paused);
  std::printf("  turns without a pause: on %.1f ms, off %.1f ms, ratio %.2f (goal: at most 1.05)\n", on.Straight,
              off.Straight, on.Straight / off.Straight);
}

void ReadAheadTurns(TMainWindow& window, const std::string& wic, const std::string& zip) {
  ComScope com;
  TempDir photos, comics;
  const std::string photo[2] = {PhotoJpeg(6000, 4000, 1), PhotoJpeg(6000, 4000, 2)};
  const std::string page[2] = {PhotoJpeg(2448, 1632, 3), PhotoJpeg(2448, 1632, 4)};
  if (photo[0].empty() || page[0].empty()) {
    std::printf("the system has no JPEG encoder: no read-ahead figures\n");
    return;
  }
  for (int i = 0; i < 10; ++i) photos.Write("photo" + std::to_string(10 + i) + ".jpg", photo[i % 2]);
  ZipBuilder book;
  for (int i = 0; i < 40; ++i) book.File("page" + std::to_string(100 + i) + ".jpg", page[i % 2], 0);
  const std::string archive = comics.Write("book.zip", book.Bytes());
  UseCatalogue({wic, zip});
  const struct {
    const char* what;
    std::string first;
    int turns;
  } sets[] = {{"ten 24-megapixel JPEG photos in a folder", photos.Path() + "photo10.jpg", 9},
              {"a ZIP of forty 4-megapixel JPEG pages", archive, 39}};
  for (const auto& set : sets) {
    TReadAhead readAhead;
    const TTurns on = TimeTurns(window, set.first, set.turns, &readAhead);
    const TTurns off = TimeTurns(window, set.first, set.turns, nullptr);
    if (on.Paused <= 0 || off.Paused <= 0) {
      std::printf("%s: a turn showed no new picture\n", set.what);
      continue;
    }
    ReportTurns(set.what, on, off);
  }
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
  ReadAheadTurns(*window, wic, CompanionDll("orvzip"));
  return 0;
}
