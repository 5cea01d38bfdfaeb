#include "viewer/main_window.h"

#include <string>

#include "app/command_table.h"
#include "app/globals.h"
#include "image/img.h"
#include "util/names_win.h"
#include "util/sutil_win.h"
#include "viewer/navigation.h"
#include "viewer/read_ahead_win.h"
#include "viewer/view_geometry.h"
#include "viewer/view_state.h"

namespace {

// A wheel message's first parameter read as a signed 32-bit value: the
// platform's message has the turn in its high word, so the sign is the
// turn's; the registered message carries the turn itself. Only the low 32
// bits count, whatever the width of WPARAM and however a sender widened a
// negative amount.
int32_t WheelTurn(WPARAM wParam) { return static_cast<int32_t>(static_cast<uint32_t>(wParam)); }

// One command per message, whatever the size of the turn; a turn away from
// the user is positive.
int32_t WheelCommand(int32_t turn) {
  const bool away = turn > 0;
  if ((GetKeyState(VK_LBUTTON) & 0x8000) && !Stretch) return away ? kCmdSmoothZoomIn : kCmdSmoothZoomOut;
  return away ? kCmdPrevImage : kCmdNextImage;
}

}  // namespace

void TMainWindow::WndProc(TMsgRec& message) {
  message.Result = 0;
  // The registered message has no fixed number to switch on.
  if (message.Msg == WM_MOUSEWHEEL || (WheelMessage != 0 && message.Msg == WheelMessage)) {
    DoCommand(WheelCommand(WheelTurn(message.WParam)));
    return;
  }
  switch (message.Msg) {
    case WM_COMMAND:
      DoCommand(LOWORD(message.WParam));
      return;
    case WM_PAINT:
      Paint();
      return;
    case WM_LBUTTONDOWN: {
      SetCapture(Handle);
      SetCursor(HandHoldCursor);
      POINT at{};
      GetCursorPos(&at);
      DragX = at.x;
      DragY = at.y;
      return;
    }
    case WM_MOUSEMOVE:
      // The left button alone: Shift, Ctrl or a second button held does not
      // scroll. Only a drag that began here has a starting point: the button
      // may have gone down elsewhere (on the title bar, in another window).
      if (Img.Loaded && message.WParam == MK_LBUTTON && !Stretch && GetCapture() == Handle) {
        POINT at{};
        GetCursorPos(&at);
        // The picture follows the hand.
        ScrollBy(DragX - at.x, DragY - at.y);
        DragX = at.x;
        DragY = at.y;
      }
      return;
    case WM_LBUTTONUP:
      ReleaseCapture();
      SetCursor(HandOpenCursor);
      return;
    case WM_LBUTTONDBLCLK:
      if (!IsFullScreen) FitToPicture();
      return;
    case WM_RBUTTONUP:
      ShowPopupMenu();
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
    case WM_NCLBUTTONDBLCLK:
      // Without a border every point is caption: a double click anywhere fits the window.
      if (IsFullScreen || ShowBorder) break;
      FitToPicture();
      return;
    case WM_NCRBUTTONDOWN:
      // The platform's handling of the press can wait for the release itself
      // (and offer the system menu), and the release would then never arrive
      // as WM_NCRBUTTONUP.
      return;
    case WM_NCRBUTTONUP:
      // No system menu from the title bar; without a border the click was in the picture.
      if (!ShowBorder) ShowPopupMenu();
      return;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(message.WParam));
      return;
    case kMsgPlanReadAhead:
      PlanReadAhead();
      return;
    case WM_CLOSE:
      // The worker is stopped and joined before anything it reads goes away.
      if (ReadAhead) ReadAhead->Stop();
      ShrinkCache.Clear();
      FreeImg(Img);
      ArchivePlugin = nullptr;
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
  std::string name =
      CurrentArchive.empty() ? NameOf(Img.FileName) : JoinText(NameOf(CurrentArchive) + "/", Img.FileName);
  std::string caption = ViewCaption(name, Img.Width, ImgRows(Img), Img.ColorBits, Stretch, Img.Zoom);
  // A title whose name the code page cannot spell is set in UTF-16; the
  // window is a UTF-16 one, so it keeps it whole for the title bar and for
  // whoever asks.
  if (!Handle) return;
  if (IsWideName(caption))
    SetWindowTextW(Handle, WideOf(caption).c_str());
  else
    SetWindowTextA(Handle, caption.c_str());
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
