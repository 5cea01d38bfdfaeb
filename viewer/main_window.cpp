#include "viewer/main_window.h"

#include <string>

#include "app/globals.h"
#include "image/img.h"
#include "util/sutil_win.h"
#include "viewer/navigation.h"
#include "viewer/view_geometry.h"
#include "viewer/view_state.h"

void TMainWindow::WndProc(TMsgRec& message) {
  message.Result = 0;
  switch (message.Msg) {
    case WM_COMMAND:
      DoCommand(LOWORD(message.WParam));
      return;
    case WM_PAINT:
      Paint();
      return;
    case WM_SIZE:
      // The class redraws the whole client area after every size change.
      if (Img.Loaded && !Stretch) ClampView(LOWORD(message.LParam), HIWORD(message.LParam));
      return;
    case WM_NCHITTEST:
      // Without a border the whole window is a caption: dragging anywhere moves it.
      if (ShowBorder || IsFullScreen) break;
      message.Result = HTCAPTION;
      return;
    case WM_CLOSE:
      FreeImg(Img);
      ArchivePlugin.reset();
      DestroyWindow(Handle);
      return;
    case WM_DESTROY:
      PostQuitMessage(0);
      return;
    default:
      break;
  }
  TSForm::WndProc(message);
}

void TMainWindow::ClientSize(int32_t& width, int32_t& height) const {
  RECT client{};
  if (Handle) ClientRect(client);
  width = client.right - client.left;
  height = client.bottom - client.top;
}

void TMainWindow::UpdateCaption() {
  // A member of an archive shows as the archive's name and the member's path inside it.
  std::string name = CurrentArchive.empty() ? NameOf(Img.FileName) : NameOf(CurrentArchive) + "/" + Img.FileName;
  std::string caption = ViewCaption(name, Img.Width, ImgRows(Img), Img.ColorBits, Stretch, Img.Zoom);
  if (Handle) SetWindowTextA(Handle, caption.c_str());
}

void TMainWindow::ClampView(int32_t clientWidth, int32_t clientHeight) {
  ScrollX = ClampOffset(ScrollX, Img.DispWidth, clientWidth);
  ScrollY = ClampOffset(ScrollY, Img.DispHeight, clientHeight);
}

void TMainWindow::SetZoom(int32_t percent) {
  if (percent < 1 || Stretch) return;
  // Before the first picture there is no zoom to carry the offsets from.
  if (Img.Zoom >= 1) {
    ScrollX = RescaleOffset(ScrollX, Img.Zoom, percent);
    ScrollY = RescaleOffset(ScrollY, Img.Zoom, percent);
  } else {
    ScrollX = ScrollY = 0;
  }
  Img.Zoom = percent;
  SetImgDispSize(Img);
  int32_t width, height;
  ClientSize(width, height);
  ClampView(width, height);
  UpdateCaption();
}

void TMainWindow::ScrollBy(int32_t dx, int32_t dy) {
  if (!Img.Loaded) return;
  const int32_t oldX = ScrollX, oldY = ScrollY;
  int32_t width, height;
  ClientSize(width, height);
  ScrollX = ScrollOffset(ScrollX, dx, Img.DispWidth, width);
  ScrollY = ScrollOffset(ScrollY, dy, Img.DispHeight, height);
  RECT client = MakeRect(0, 0, width, height);
  // The pixels already on screen move; only the exposed strip is painted, at once.
  if (ScrollWindow(Handle, oldX - ScrollX, oldY - ScrollY, nullptr, &client)) UpdateWindow(Handle);
}

std::unique_ptr<TMainWindow> CreateMainWindow(const std::string& caption) {
  auto window = std::make_unique<TMainWindow>(caption);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  window->HandOpenCursor = LoadCursorA(instance, "HANDOPEN");
  window->HandHoldCursor = LoadCursorA(instance, "HANDHOLD");
  window->Cursor = window->HandOpenCursor;
  window->ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  window->ExStyle = WS_EX_ACCEPTFILES;
  window->SetBorder(true);  // only the flag: there is no window yet
  window->Background = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  window->CreateWnd(CW_USEDEFAULT, 0, 320, 240);
  return window;
}
