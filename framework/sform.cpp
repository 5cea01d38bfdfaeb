#include "framework/sform.h"

namespace {

const char kObjectProperty[] = "OBJECT";

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
  message.Result = DefWindowProcA(Handle, message.Msg, message.WParam, message.LParam);
}

void TSForm::CreateWnd(int32_t x, int32_t y, int32_t width, int32_t height) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!ClassRegistered) {
    WNDCLASSA wc = {};
    wc.style = ClassStyle;
    wc.lpfnWndProc = SFormWndProc;
    wc.hInstance = instance;
    wc.hIcon = Icon;
    wc.hCursor = Cursor;
    wc.hbrBackground = Background;
    wc.lpszClassName = WndClassName.c_str();
    if (!RegisterClassA(&wc)) return;
    ClassRegistered = true;
  }
  Handle = nullptr;
  Handle = CreateWindowExA(ExStyle, WndClassName.c_str(), Caption.c_str(), Style, x, y, width, height, nullptr,
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
    auto* form = static_cast<TSForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetPropA(window, kObjectProperty, form);
    if (form) form->Handle = window;
    return DefWindowProcA(window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) {
    RemovePropA(window, kObjectProperty);
    return DefWindowProcA(window, message, wParam, lParam);
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
