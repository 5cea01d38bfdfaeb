#include "viewer/main_window.h"

void TMainWindow::WndProc(TMsgRec& message) {
  switch (message.Msg) {
    case WM_PAINT:
      Paint();
      return;
    case WM_CLOSE:
      DestroyWindow(Handle);
      return;
    case WM_DESTROY:
      PostQuitMessage(0);
      return;
    default:
      TSForm::WndProc(message);
  }
}

void TMainWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(Handle, &ps);
  RECT client;
  ClientRect(client);
  // The class has no background brush: painting alone covers every pixel.
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  EndPaint(Handle, &ps);
}

void TMainWindow::SetBorder(bool show) {
  ShowBorder = show;
  if (!Handle) return;
  RECT rect;
  ClientRect(rect);
  DWORD style = show ? WS_OVERLAPPEDWINDOW : (WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  SetWindowLongA(Handle, GWL_STYLE, static_cast<LONG>(style));
  ShowWindow(Handle, SW_SHOWNA);
  AdjustWindowRect(&rect, style, FALSE);
  SetSize(rect.right - rect.left, rect.bottom - rect.top);
}
