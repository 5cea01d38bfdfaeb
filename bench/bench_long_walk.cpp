// A long session measured: 1,000 steps (or the count given) through a folder
// of bitmaps, test-plug-in pictures and tar and ZIP members in a real main
// window, the Picture Information dialog open for every other step; or, with
// a second number, that many test plug-ins that refuse every file ahead of
// the others in the catalogue and no dialog (the page turns alone); with a
// third argument "off", read-ahead off (it is on otherwise). Prints
// the GDI and USER objects and the private bytes before the walk, after its
// first pass (to the folder's end and back) and at its end, and how they
// were counted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_timing.h"
#include "long_walk.h"
#include "process_counts_win.h"

namespace {

void Report(const char* when, int steps) {
  const TGuiObjects objects = CountGuiObjects();
  std::printf("%-22s %5d steps  GDI %4lu  USER %4lu  private %8.2f MB\n", when, steps,
              static_cast<unsigned long>(objects.Gdi), static_cast<unsigned long>(objects.User),
              static_cast<double>(PrivateBytes()) / (1024.0 * 1024.0));
}

}  // namespace

int main(int argc, char** argv) {
  const int steps = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int ahead = argc > 2 ? std::atoi(argv[2]) : 0;
  const bool readAhead = !(argc > 3 && std::string(argv[3]) == "off");
  TLongWalk walk({ahead, ahead == 0, readAhead});
  if (ahead) std::printf("%d plug-ins ahead in the catalogue, no dialog\n", ahead);
  std::printf("read-ahead %s\n", readAhead ? "on" : "off");
  if (!walk.Start()) {
    std::printf("the first picture did not open\n");
    return 1;
  }
  std::printf(
      "objects counted %s; one pass is %d steps; largest picture %zu bytes\n",
      CountGuiObjects().Probed ? "through Wine's handle tables (GetGuiResources gives 0)" : "by GetGuiResources",
      walk.StepsPerPass(), walk.LargestPicture());
  Report("before the walk", 0);
  const double start = Now();
  int done = 0;
  for (; done < steps; ++done) {
    if (done == walk.StepsPerPass()) Report("after the first pass", done);
    if (!walk.Step()) {
      std::printf("step %d showed no other picture (at %s)\n", done + 1, walk.Shown().c_str());
      return 1;
    }
  }
  const double elapsed = Now() - start;
  Report("at the end", done);
  std::printf("%.2f ms a step; ends at %s\n", elapsed / done, walk.Shown().c_str());
  return 0;
}
