// Opening a 4-megapixel JPEG through the 32-bit picture plug-in (orvwic.spi)
// in a real main window, as the user opens a file: in the 32-bit program,
// which calls the plug-in in its own process, against the 64-bit one, which
// calls it in its helper process (orvspi32.exe). Built in both widths: the
// 64-bit build drives the run, starting this program of each width in turn,
// each in a fresh process that opens the photo once (the first open loads the
// plug-in, and in the 64-bit program starts the helper: shown apart) and then
// kOpens times more, kRounds processes of each, the order turning each round. The goal is at most 1.15 times the 32-bit program's time.
//
//   bench_bridge_jpeg TWIN32.EXE ORVWIC.SPI      the comparison (64-bit build)
//   bench_bridge_jpeg measure PLUGIN JPEG OUT    one process's opens, into OUT
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "bench/bench_timing.h"
#include "image/img.h"
#include "plugins/bridge_host_win.h"
#include "program_state.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "wic_test_util.h"
#include "win_test_util.h"

namespace {

constexpr UINT kWidth = 2448, kHeight = 1632;  // 4.0 megapixels
constexpr int kOpens = 9;
constexpr int kRounds = 6;

void Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One process's opens: the first, then the median of the others, in ms.
int Measure(const std::string& plugin, const std::string& jpeg, const std::string& out) {
#ifdef ORV_HELPER_EXE
  // The helper of this build, which is not beside the timing program.
  SetHelperProgram(ProgramPath(ORV_HELPER_EXE));
#endif
  std::unique_ptr<TMainWindow> window = CreateMainWindow("Orv");
  window->Show();
  TProgramState state(window.get());
  state.AddPlugin(plugin);
  std::vector<double> times;
  for (int i = 0; i <= kOpens; ++i) {
    const double start = Now();
    if (OpenFile(jpeg, false) != 0 || Img.Width != static_cast<int32_t>(kWidth)) return 1;
    Pump();
    times.push_back(Now() - start);
  }
  const double first = times.front();
  times.erase(times.begin());
  FILE* f = std::fopen(out.c_str(), "w");
  if (!f) return 1;
  std::fprintf(f, "%f %f\n", first, Median(times));
  std::fclose(f);
  return 0;
}

// Runs program in measure mode and reads what it measured.
bool Run(const std::string& program, const std::string& plugin, const std::string& jpeg, double& first,
         double& median) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string out = std::string(temp) + "orv_bench_bridge.txt";
  DeleteFileA(out.c_str());
  std::string line = "\"" + program + "\" measure \"" + plugin + "\" \"" + jpeg + "\" \"" + out + "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  WaitForSingleObject(pi.hProcess, 120000);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  FILE* f = std::fopen(out.c_str(), "r");
  if (!f) return false;
  const bool read = std::fscanf(f, "%lf %lf", &first, &median) == 2;
  std::fclose(f);
  DeleteFileA(out.c_str());
  return code == 0 && read;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "measure") return Measure(argv[2], argv[3], argv[4]);
  if (argc != 3 || sizeof(void*) != 8) {
    std::fprintf(stderr, "usage (64-bit build): bench_bridge_jpeg TWIN32.EXE ORVWIC.SPI\n");
    return 2;
  }
  const std::string twin = argv[1], plugin = argv[2];
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string jpegBytes = PhotoJpeg(kWidth, kHeight, 1);
  if (jpegBytes.empty()) return std::printf("the system has no JPEG encoder\n"), 1;
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string jpeg = std::string(temp) + "orv_bench_4mp.jpg";
  FILE* f = std::fopen(jpeg.c_str(), "wb");
  if (!f || std::fwrite(jpegBytes.data(), 1, jpegBytes.size(), f) != jpegBytes.size()) return 1;
  std::fclose(f);

  std::vector<double> firsts32, firsts64, opens32, opens64;
  // Each round runs both, the one first that went second before.
  for (int round = 0; round < kRounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool wide = (round + turn) % 2 == 1;
      double first = 0, median = 0;
      if (!Run(wide ? self : twin, plugin, jpeg, first, median))
        return std::printf("the %s program did not open it\n", wide ? "64-bit" : "32-bit"), 1;
      (wide ? firsts64 : firsts32).push_back(first);
      (wide ? opens64 : opens32).push_back(median);
    }
  }
  DeleteFileA(jpeg.c_str());
  const double in32 = Median(opens32), in64 = Median(opens64);
  std::printf("Opening a %u x %u JPEG (%.1f MB) through the 32-bit orvwic.spi in a main window, median of %d\n"
              "processes of each program taken in turns, of the median of %d opens each after the first:\n",
              kWidth, kHeight, jpegBytes.size() / 1048576.0, kRounds, kOpens);
  std::printf("  first open, loading the plug-in (32-bit program):            %7.1f ms\n", Median(firsts32));
  std::printf("  first open, starting the helper and loading it (64-bit):     %7.1f ms\n", Median(firsts64));
  std::printf("  an open in the 32-bit program (plug-in in the process):       %7.1f ms\n", in32);
  std::printf("  an open in the 64-bit program (plug-in in orvspi32.exe):      %7.1f ms\n", in64);
  std::printf("  ratio %.3f (goal: at most 1.15)\n", in64 / in32);
  return 0;
}
