// Starts the viewer, waits for its window, saves a screenshot of the screen
// area the window covers as PNG and closes the viewer again. The keys named
// in the environment variable ORV_SHOT_KEYS (letters and digits, as on the
// keyboard) are pressed in the viewer first, one after another.
// Usage: orvshot OUT.png VIEWER.exe [ARGUMENTS...]; exits with the viewer's code.
#include <windows.h>
#include <shellapi.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/process_window.h"

namespace {

uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, Crc(body.data(), body.size()));
}

// An uncompressed PNG: stored deflate blocks are enough for a screenshot.
std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgbRows, int width, int height) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(png, "IHDR", header);

  std::vector<uint8_t> z = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  for (uint8_t v : rgbRows) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t pos = 0; pos < rgbRows.size() || pos == 0;) {
    size_t n = rgbRows.size() - pos < 65535 ? rgbRows.size() - pos : 65535;
    bool last = pos + n >= rgbRows.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), rgbRows.begin() + pos, rgbRows.begin() + pos + n);
    pos += n;
    if (last) break;
  }
  Put32(z, (b << 16) | a);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  return png;
}

bool SaveScreenArea(const RECT& r, const char* fileName) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  std::vector<uint8_t> rows;
  rows.reserve(static_cast<size_t>(h) * (w * 3 + 1));
  const uint8_t* p = static_cast<const uint8_t*>(bits);
  for (int y = 0; y < h; ++y) {
    rows.push_back(0);
    for (int x = 0; x < w; ++x, p += 4) rows.insert(rows.end(), {p[2], p[1], p[0]});
  }
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::vector<uint8_t> png = EncodePng(rows, w, h);
  FILE* f = std::fopen(fileName, "wb");
  if (!f) return false;
  bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// Presses and releases each key of the text in the viewer, which the
// keyboard's input reaches once it is the foreground window.
void PressKeys(HWND viewer, const char* keys) {
  SetForegroundWindow(viewer);
  Sleep(300);
  for (const char* k = keys; *k; ++k) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = static_cast<WORD>(std::toupper(static_cast<unsigned char>(*k)));
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(700);  // the command and its repaint
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvshot OUT.png VIEWER.exe [ARGUMENTS...]\n");
    return 2;
  }
  // The viewer's arguments are passed on in UTF-16, so that a file name the
  // code page cannot spell reaches it whole.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::wstring command;
  for (int i = 2; wide && i < count; ++i) command += std::wstring(i > 2 ? L" \"" : L"\"") + wide[i] + L"\"";
  LocalFree(wide);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "orvshot: cannot start %s\n", argv[2]);
    return 2;
  }
  HWND viewer = nullptr;
  for (int i = 0; i < 300 && !viewer; ++i) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
    viewer = FindProcessWindow(pi.dwProcessId, "TOrvClass");
  }
  int result = 0;
  if (viewer) {
    Sleep(1000);  // let the first paint and the frame land
    if (const char* keys = std::getenv("ORV_SHOT_KEYS")) PressKeys(viewer, keys);
    RECT r;
    GetWindowRect(viewer, &r);
    if (SaveScreenArea(r, argv[1]))
      std::printf("orvshot: saved %s (%ldx%ld)\n", argv[1], r.right - r.left, r.bottom - r.top);
    else
      result = 3;
    PostMessageA(viewer, WM_CLOSE, 0, 0);
  } else {
    std::fprintf(stderr, "orvshot: no viewer window appeared\n");
    result = 4;
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  std::printf("orvshot: viewer exit code %lu\n", code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return result ? result : static_cast<int>(code);
}
