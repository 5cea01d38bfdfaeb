// Opens a 30,000 x 20,000 24-bit bitmap (1.8 GB) in the program as a user
// does, and pans it: from the command line (start to the first painted
// picture, with the process's peak memory), then 16-pixel scroll steps and
// jumps between top and bottom, each checked against the picture's colours;
// and by NextImage from a small picture in the same folder. A program that
// cannot hold the picture shows why, and the bench checks that it goes on
// showing the small one.
// Usage: bench_huge_bitmap FOLDER. The pictures are written into FOLDER once
// and left there for the caller to delete.
#include <windows.h>
// After windows.h: the memory counters.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/version.h"
#include "bench/bench_timing.h"
#include "tools/process_window.h"

namespace {

constexpr int kWidth = 30000, kHeight = 20000, kTile = 1000;
constexpr DWORD kStride = kWidth * 3;  // already a multiple of 4
constexpr int kSmallSize = 64;
constexpr COLORREF kSmallColour = RGB(0x20, 0x80, 0xC0);

// The colour of the huge picture's pixel (x, y), y counted from the top: one
// colour a 1000 x 1000 tile.
COLORREF Expected(int x, int y) { return RGB(0x80, 40 + 9 * (y / kTile), 40 + 6 * (x / kTile)); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

void Header(std::vector<BYTE>& bytes, int width, int height) {
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) / 4 * 4;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(54 + stride * static_cast<DWORD>(height)), 0, 0, 54};
  BITMAPINFOHEADER ih{40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  bytes.resize(54);
  memcpy(bytes.data(), &fh, 14);
  memcpy(bytes.data() + 14, &ih, 40);
}

bool WriteSmall(const std::string& path) {
  std::vector<BYTE> bytes;
  Header(bytes, kSmallSize, kSmallSize);
  for (int i = 0; i < kSmallSize * kSmallSize; ++i)
    bytes.insert(bytes.end(), {GetBValue(kSmallColour), GetGValue(kSmallColour), GetRValue(kSmallColour)});
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool ok = f != INVALID_HANDLE_VALUE && WriteAll(f, bytes.data(), static_cast<DWORD>(bytes.size()));
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return ok;
}

// Written once: a file of the right size is taken as it is.
bool WriteHuge(const std::string& path) {
  const uint64_t size = 54 + static_cast<uint64_t>(kStride) * kHeight;
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a) &&
      ((static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow) == size)
    return true;
  std::printf("writing %s (%.0f MB)\n", path.c_str(), size / 1048576.0);
  std::fflush(stdout);
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::vector<BYTE> header;
  Header(header, kWidth, kHeight);
  bool ok = WriteAll(f, header.data(), 54);
  // Rows bottom-up, a hundred at a time: all rows of a tile row are alike.
  constexpr int kRows = 100;
  std::vector<BYTE> rows(static_cast<size_t>(kStride) * kRows);
  for (int y = kHeight - kRows; ok && y >= 0; y -= kRows) {
    for (int x = 0; x < kWidth; ++x) {
      const COLORREF c = Expected(x, y);
      rows[x * 3] = GetBValue(c);
      rows[x * 3 + 1] = GetGValue(c);
      rows[x * 3 + 2] = GetRValue(c);
    }
    for (int r = 1; r < kRows; ++r) memcpy(rows.data() + r * kStride, rows.data(), kStride);
    ok = WriteAll(f, rows.data(), static_cast<DWORD>(rows.size()));
  }
  CloseHandle(f);
  return ok;
}

BOOL CALLBACK CollectText(HWND child, LPARAM p) {
  char text[1024] = {};
  GetWindowTextA(child, text, sizeof text);
  auto* all = reinterpret_cast<std::string*>(p);
  if (text[0] && lstrcmpA(text, "OK") != 0) *all += (all->empty() ? "" : " | ") + std::string(text);
  return TRUE;
}

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// The program run with arguments, seen from outside.
class Program {
 public:
  explicit Program(const std::string& arguments) {
    char own[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string folder = own;
    folder = folder.substr(0, folder.find_last_of('\\') + 1);
    std::string line = "\"" + folder + "..\\" ORV_PROGRAM_FILE "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    Started = Now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
      info_ = PROCESS_INFORMATION{};
  }
  ~Program() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
  HWND Find(const char* className, const char* title = nullptr) const {
    return FindProcessWindow(info_.dwProcessId, className, title);
  }
  HWND Window() const { return Find("TOrvClass"); }
  HWND Box() const { return Find("#32770", "Orv"); }
  long ExitCode(DWORD waitMs) const {
    if (!info_.hProcess || WaitForSingleObject(info_.hProcess, waitMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return static_cast<long>(code);
  }
  void PrintMemory() const {
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    if (GetProcessMemoryInfo(info_.hProcess, &c, sizeof c))
      std::printf("  peak memory: working set %.0f MB, private %.0f MB (the file is %.0f MB)\n",
                  c.PeakWorkingSetSize / 1048576.0, c.PeakPagefileUsage / 1048576.0,
                  (54.0 + static_cast<double>(kStride) * kHeight) / 1048576.0);
  }
  double Started = 0;

 private:
  PROCESS_INFORMATION info_{};
};

COLORREF Pixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return c;
}

// Whether the pixel comes to show want. The viewer is another process, and
// Wine copies its window's pixels to the screen shortly after it paints, so a
// pixel read at once may still be the old one.
bool Shows(HWND window, int x, int y, COLORREF want) {
  const double start = Now();
  while (Pixel(window, x, y) != want) {
    if (Now() - start > 1000) return false;
    Sleep(1);
  }
  return true;
}

std::string Title(HWND window) {
  char title[512] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

// Waits until the window's pixel (0, 0) has the colour, or a box of the
// program is shown, or it ends; the box, if one came.
HWND WaitForPixelOrBox(const Program& orv, COLORREF colour, DWORD timeoutMs) {
  const double start = Now();
  while (Now() - start < timeoutMs && orv.Running()) {
    if (HWND box = orv.Box()) return box;
    HWND window = orv.Window();
    if (window && Pixel(window, 0, 0) == colour) return nullptr;
    Sleep(5);
  }
  return nullptr;
}

// Reports the box, answers it, and returns its text.
std::string AnswerBox(HWND box) {
  std::string text;
  EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(10);
  return OneLine(text);
}

// A command and the painting it asks for.
double TimeCommand(HWND window, int32_t id) {
  const double start = Now();
  SendMessageA(window, WM_COMMAND, id, 0);
  UpdateWindow(window);
  return Now() - start;
}

// The part of the client area on the screen, where pixels can be read back.
RECT VisibleClient(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  client.right = std::min<LONG>(client.right, GetSystemMetrics(SM_CXSCREEN) - origin.x);
  client.bottom = std::min<LONG>(client.bottom, GetSystemMetrics(SM_CYSCREEN) - origin.y);
  return client;
}

void Pan(HWND window) {
  RECT whole;
  GetClientRect(window, &whole);
  const RECT client = VisibleClient(window);
  std::printf("  client area %ldx%ld, title \"%s\"\n", whole.right, whole.bottom, Title(window).c_str());
  // Each scroll command moves the pixels on screen and paints the strip
  // exposed before it returns.
  std::vector<double> right, down, jumps;
  for (int i = 0; i < 300; ++i) right.push_back(TimeCommand(window, kCmdScrollRight));
  for (int i = 0; i < 300; ++i) down.push_back(TimeCommand(window, kCmdScrollDown));
  const int x = 300 * 16, y = 300 * 16;
  const bool steps = Shows(window, 0, 0, Expected(x, y)) &&
                     Shows(window, client.right - 1, client.bottom - 1,
                           Expected(x + client.right - 1, y + client.bottom - 1));
  // A jump to the other end repaints the whole view.
  bool ends = true;
  for (int i = 0; i < 10; ++i) {
    jumps.push_back(TimeCommand(window, kCmdScrollBottom));
    ends = Shows(window, 0, client.bottom - 1, Expected(x, kHeight - 1 - (whole.bottom - client.bottom))) && ends;
    jumps.push_back(TimeCommand(window, kCmdScrollTop));
    ends = Shows(window, 0, 0, Expected(x, 0)) && ends;
  }
  std::printf(
      "  pan: 16-pixel steps right %.2f ms, down %.2f ms (median of 300 each, view %s); "
      "top/bottom jumps %.1f ms (median of 20, %s)\n",
      Median(right), Median(down), steps ? "correct" : "WRONG", Median(jumps), ends ? "correct" : "WRONG");
  // Through the resampler: the whole picture fitted to the window, and back,
  // timed until the fitted picture's far corner shows.
  std::vector<double> fits;
  bool shown = true;
  const COLORREF corner = Expected(kWidth * (client.right - 1) / whole.right, 0);
  for (int i = 0; i < 5; ++i) {
    const double start = Now();
    SendMessageA(window, WM_COMMAND, kCmdStretchMode, 0);
    UpdateWindow(window);
    while (Pixel(window, client.right - 1, 0) != corner && Now() - start < 5000) Sleep(1);
    fits.push_back(Now() - start);
    shown = shown && Pixel(window, client.right - 1, 0) == corner && Pixel(window, 0, 0) == Expected(0, 0);
    TimeCommand(window, kCmdStretchMode);
  }
  std::printf("  stretched to the window: %.1f ms (median of 5, %s)\n", Median(fits), shown ? "correct" : "WRONG");
}

void Close(Program& orv) {
  if (HWND window = orv.Window()) PostMessageA(window, WM_CLOSE, 0, 0);
  std::printf("  exit code %ld\n", orv.ExitCode(30000));
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

void FromTheCommandLine(const std::string& profile, const std::string& huge) {
  std::printf("%s \"b huge.bmp\" from the command line:\n", ORV_PROGRAM_FILE);
  Program orv("/prof=" + profile + " " + Quoted(huge));
  if (HWND box = WaitForPixelOrBox(orv, Expected(0, 0), 300000)) {
    orv.PrintMemory();
    // Refused: every box until the program ends.
    std::printf("  refused after %.0f ms: \"%s\"\n", Now() - orv.Started, AnswerBox(box).c_str());
    for (int i = 0; i < 500 && orv.Running(); ++i) {
      if ((box = orv.Box()))
        std::printf("  then: \"%s\"\n", AnswerBox(box).c_str());
      else
        Sleep(10);
    }
    std::printf("  exit code %ld\n", orv.ExitCode(30000));
    return;
  }
  HWND window = orv.Window();
  if (!window || Pixel(window, 0, 0) != Expected(0, 0)) {
    std::printf("  the picture was not shown\n");
    return;
  }
  std::printf("  shown %.0f ms after the start\n", Now() - orv.Started);
  orv.PrintMemory();
  Pan(window);
  Close(orv);
}

void ByNextImage(const std::string& profile, const std::string& small) {
  std::printf("%s \"a small.bmp\", then NextImage to \"b huge.bmp\":\n", ORV_PROGRAM_FILE);
  Program orv("/prof=" + profile + " " + Quoted(small));
  if (WaitForPixelOrBox(orv, kSmallColour, 30000) || !orv.Window()) {
    std::printf("  the small picture was not shown\n");
    return;
  }
  HWND window = orv.Window();
  const double start = Now();
  PostMessageA(window, WM_COMMAND, kCmdNextImage, 0);
  if (HWND box = WaitForPixelOrBox(orv, Expected(0, 0), 300000)) {
    std::printf("  refused after %.0f ms: \"%s\"\n", Now() - start, AnswerBox(box).c_str());
    Sleep(500);
    const bool running = orv.Running() && orv.Window() == window;
    std::printf("  %s, showing \"%s\" (%s)\n", running ? "still running" : "NOT RUNNING",
                running ? Title(window).c_str() : "",
                running && Pixel(window, 0, 0) == kSmallColour ? "its pixels as before" : "NOT its pixels");
  } else if (Pixel(window, 0, 0) == Expected(0, 0)) {
    std::printf("  shown %.0f ms after the command, title \"%s\"\n", Now() - start, Title(window).c_str());
  } else {
    std::printf("  neither shown nor refused\n");
  }
  orv.PrintMemory();
  Close(orv);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_huge_bitmap FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  const std::string profile = folder + "profile-" ORV_PROGRAM_NAME "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA(profile.c_str(), nullptr);
  const std::string small = folder + "a small.bmp", huge = folder + "b huge.bmp";
  if (!WriteSmall(small) || !WriteHuge(huge)) {
    std::printf("cannot write the pictures into %s\n", folder.c_str());
    return 1;
  }
  FromTheCommandLine(profile, huge);
  ByNextImage(profile, small);
  return 0;
}
