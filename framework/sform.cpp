#include "framework/sform.h"

#include <cwchar>

namespace {

const char kObjectProperty[] = "OBJECT";

std::wstring Widened(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

}  // namespace

void TWinControl::SetBounds(int32_t x, int32_t y, int32_t width, int32_t height) {
  MoveWindow(Handle, x, y, width, height, TRUE);
}

void TWinControl::SetSize(int32_t width, int32_t height) {
  SetWindowPos(Handle, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::Show() { ShowWindow(Handle, SW_SHOW); }

void TWinControl::Hide() { ShowWindow(Handle, SW_HIDE); }

void TWinControl::ClientRect(RECT& rect) const { GetClientRect(Handle, &rect); }

TSForm::TSForm(const std::string& caption)
    : Caption(caption),
      WndClassName("T" + caption + "Class"),
      Icon(LoadIconA(GetModuleHandleA(nullptr), "MAINICON")),
      Cursor(LoadCursorA(nullptr, IDC_ARROW)) {}

void TSForm::Show() {
  ShowWindow(Handle, SW_SHOW);
  UpdateWindow(Handle);
}

void TSForm::WndProc(TMsgRec& message) {
  message.Result = DefWindowProcW(Handle, message.Msg, message.WParam, message.LParam);
}

void TSForm::CreateWnd(int32_t x, int32_t y, int32_t width, int32_t height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // The window's class is a UTF-16 one although the program speaks the code
  // page: its text may hold names the code page cannot spell, and whoever
  // asks the window for it (Wine's title bar among them) gets it whole.
  const std::wstring className = Widened(WndClassName);
  if (!ClassRegistered) {
    WNDCLASSW wc = {};
    wc.style = ClassStyle;
    wc.lpfnWndProc = SFormWndProc;
    wc.hInstance = instance;
    wc.hIcon = Icon;
    wc.hCursor = Cursor;
    wc.hbrBackground = Background;
    wc.lpszClassName = className.c_str();
    if (!RegisterClassW(&wc)) return;
    ClassRegistered = true;
  }
  Handle = nullptr;
  Handle = CreateWindowExW(ExStyle, className.c_str(), Widened(Caption).c_str(), Style, x, y, width, height, nullptr,
                           nullptr, instance, this);
}

void TSForm::SetStayOnTop(bool value) {
  StayOnTop = value;
  if (Handle)
    SetWindowPos(Handle, value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TSForm::Close() { SendMessageA(Handle, WM_SYSCOMMAND, SC_CLOSE, 0); }

LRESULT CALLBACK SFormWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TSForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetPropA(window, kObjectProperty, form);
    if (form) form->Handle = window;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kObjectProperty);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  auto* form = static_cast<TSForm*>(GetPropA(window, kObjectProperty));
  if (!form) return 0;
  TMsgRec rec{message, wParam, lParam, 0};
  // Nothing may unwind through the system's callback: a failure in a handler
  // ends that message only.
  try {
    form->WndProc(rec);
  } catch (...) {
    rec.Result = 0;
  }
  return rec.Result;
}
