// The least a Windows program does to show a bitmap file: read it, make a
// window of its size and paint it with SetDIBitsToDevice. bench_startup
// times it beside the viewer. Usage: bare_window picture.bmp
#include <windows.h>

#include <vector>

namespace {

std::vector<char> file;
const BITMAPINFO* info = nullptr;
const void* bits = nullptr;

bool ReadBitmap(const char* name) {
  HANDLE f = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  file.resize(GetFileSize(f, nullptr));
  DWORD got = 0;
  const bool read = ReadFile(f, file.data(), static_cast<DWORD>(file.size()), &got, nullptr) && got == file.size();
  CloseHandle(f);
  if (!read || file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return false;
  const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(file.data());
  info = reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof(BITMAPFILEHEADER));
  bits = file.data() + header->bfOffBits;
  return header->bfOffBits < file.size();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const LONG w = info->bmiHeader.biWidth, h = info->bmiHeader.biHeight;
    SetDIBitsToDevice(dc, 0, 0, w, h, 0, 0, 0, h, bits, info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (__argc < 2 || !ReadBitmap(__argv[1])) return 1;
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  wc.lpszClassName = "OrvBareWindow";
  RegisterClassA(&wc);
  RECT r = {0, 0, info->bmiHeader.biWidth, info->bmiHeader.biHeight};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND window = CreateWindowA("OrvBareWindow", "Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
