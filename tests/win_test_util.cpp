#include "win_test_util.h"

#include <atomic>

namespace {

// In UTF-16, so that names the code page cannot spell go too.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring full = folder + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full + L"\\");
      else
        DeleteFileW(full.c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

std::wstring Widened(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return wide;
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH + 1];
  GetTempPathA(sizeof temp, temp);
  for (;;) {
    path_ = std::string(temp) + "orvtest" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(counter++) + "\\";
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
  }
}

TempDir::~TempDir() { RemoveTree(Widened(path_)); }

std::wstring TempDir::WriteWide(const std::wstring& name, const std::string& bytes) const {
  const std::wstring full = Widened(path_) + name;
  HANDLE file = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (file != INVALID_HANDLE_VALUE) {
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  return full;
}

std::string TempDir::MakeDir(const std::string& name) const {
  std::string full = path_ + name;
  CreateDirectoryA(full.c_str(), nullptr);
  return full;
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  // Folders end at separators only, never at a backslash that is a second byte.
  for (size_t i = 0; i < name.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(name[i])) && i + 1 < name.size())
      ++i;
    else if (name[i] == '\\')
      MakeDir(name.substr(0, i));
  }
  std::string full = path_ + name;
  HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (file != INVALID_HANDLE_VALUE) {
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  return full;
}

std::string ReadFileBytes(const std::string& name) {
  std::string bytes;
  HANDLE file = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD got;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

std::vector<uint32_t> ReadClientPixels(HWND window, int& width, int& height) {
  RECT r;
  GetClientRect(window, &r);
  width = r.right;
  height = r.bottom;
  std::vector<uint32_t> pixels;
  if (width <= 0 || height <= 0) return pixels;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  HBITMAP dib = CreateDIBSection(windowDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memoryDc, dib);
  BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  pixels.assign(p, p + static_cast<size_t>(width) * height);
  for (uint32_t& v : pixels) v &= 0xFFFFFF;
  SelectObject(memoryDc, old);
  DeleteObject(dib);
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return pixels;
}

ChildProcess::ChildProcess(const std::string& commandLine) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_))
    info_ = {};
}

ChildProcess::ChildProcess(const std::wstring& commandLine) {
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  std::wstring line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &info_)) info_ = {};
}

ChildProcess::~ChildProcess() {
  if (!info_.hProcess) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

HWND ChildProcess::WaitForWindow(const char* className, DWORD timeoutMs) const {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (HWND found = FindProcessWindow(info_.dwProcessId, className)) return found;
    if (WaitForSingleObject(info_.hProcess, 50) == WAIT_OBJECT_0) return nullptr;
  }
  return nullptr;
}

long ChildProcess::WaitForExit(DWORD timeoutMs) {
  if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<long>(code);
}

void SendMouseMove(POINT screen) {
  // Absolute moves are in 1/65536 of the screen; rounding up lands on the pixel itself.
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dx = (screen.x * 65536 + w - 1) / w;
  in.mi.dy = (screen.y * 65536 + h - 1) / h;
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

void SendMouse(DWORD flags, int32_t wheel) {
  INPUT in = {};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  in.mi.mouseData = static_cast<DWORD>(wheel);
  SendInput(1, &in, sizeof in);
}

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

std::string ProgramPath(const char* builtPath) {
  std::string path = builtPath;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}
