#pragma once
// A thin object layer over top-level windows: one window procedure for every
// class finds the object through the window property "OBJECT" and hands the
// message to its virtual WndProc.

#include <windows.h>

#include <cstdint>
#include <string>

struct TMsgRec {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

class TWinControl {
public:
  virtual ~TWinControl() = default;
  virtual void SetBounds(int32_t x, int32_t y, int32_t width, int32_t height);
  virtual void SetSize(int32_t width, int32_t height);
  virtual void Show();
  virtual void Hide();
  void ClientRect(RECT& rect) const;

  HWND Handle = nullptr;
};

class TSForm : public TWinControl {
public:
  explicit TSForm(const std::string& caption);
  TSForm(const TSForm&) = delete;
  TSForm& operator=(const TSForm&) = delete;

  void Show() override;
  virtual void WndProc(TMsgRec& message);

  // Registers the class on first use and creates the window; Handle stays 0 on failure.
  void CreateWnd(int32_t x, int32_t y, int32_t width, int32_t height);
  void SetStayOnTop(bool value);
  void Close();

  bool ClassRegistered = false;
  std::string Caption;
  std::string WndClassName;
  bool StayOnTop = false;
  DWORD Style = WS_OVERLAPPEDWINDOW;
  DWORD ExStyle = 0;
  HBRUSH Background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  HICON Icon = nullptr;
  HCURSOR Cursor = nullptr;
  UINT ClassStyle = CS_DBLCLKS;
};

LRESULT CALLBACK SFormWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
