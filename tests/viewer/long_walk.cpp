#include "long_walk.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "app/command_table.h"
#include "app/globals.h"
#include "companion_test_util.h"
#include "framework/handles.h"
#include "image/bmp_builder.h"
#include "image/img.h"
#include "plugin_test_util.h"
#include "program_state.h"
#include "util/sutil_win.h"
#include "viewer/info_dialog_win.h"
#include "viewer/main_window.h"
#include "viewer/navigation.h"
#include "viewer/read_ahead_win.h"
#include "zip/zip_builder.h"

namespace {

size_t Stride(int width, int bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

std::string Bitmap(int width, int height, uint16_t bits, uint32_t seed) {
  TBmpRecipe r;
  r.Width = width;
  r.Height = height;
  r.BitCount = bits;
  if (bits <= 8) r.Extra = TestPalette(size_t{1} << bits, 4);
  r.Pixels = PatternBytes(Stride(width, bits) * static_cast<size_t>(height), seed);
  const TBytes b = MakeBmp(r);
  return std::string(b.begin(), b.end());
}

std::string Pnm(bool colour, int width, int height, uint32_t seed) {
  const TBytes samples = PatternBytes(static_cast<size_t>(width * height * (colour ? 3 : 1)), seed);
  return PnmFile(colour, width, height, std::vector<uint8_t>(samples.begin(), samples.end()));
}

struct TPicture {
  std::string Name;
  std::string Bytes;
  size_t Pixels;  // the held block: a plug-in's 24-bit or 8-bit rows, or the bitmap's own
};

TPicture BitmapPicture(const std::string& name, int width, int height, uint16_t bits) {
  return {name, Bitmap(width, height, bits, static_cast<uint32_t>(width + bits)), Stride(width, bits) * height};
}

TPicture PnmPicture(const std::string& name, bool colour, int width, int height) {
  return {name, Pnm(colour, width, height, static_cast<uint32_t>(width)), Stride(width, colour ? 24 : 8) * height};
}

// The test display has no window manager, and Wine waits two seconds for one
// each time a window it hands to the manager is hidden: the dialog, closed
// five hundred times. Windows left unmanaged are shown and hidden at once.
// The setting is Wine's, per program, read before the first window is made.
void LeaveWindowsUnmanaged() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
  char program[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  const std::string key = "Software\\Wine\\AppDefaults\\" + NameOf(program) + "\\X11 Driver";
  HKEY opened = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegKeyHandle owner(opened);
  RegSetValueExA(opened, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
}

}  // namespace

TLongWalk::TLongWalk(TWalkOptions options) : options_(options) {
  LeaveWindowsUnmanaged();
  const std::vector<TPicture> tarMembers = {BitmapPicture("t1.bmp", 96, 64, 24), PnmPicture("t2.pnm", true, 80, 60),
                                            BitmapPicture("t3/t3.bmp", 64, 48, 8)};
  const std::vector<TPicture> zipMembers = {PnmPicture("z1.pnm", false, 120, 90), BitmapPicture("z2.bmp", 100, 75, 4),
                                            BitmapPicture("z3/z3.bmp", 72, 72, 24)};
  const std::vector<TPicture> files = {BitmapPicture("a.bmp", 320, 240, 24), PnmPicture("b.pnm", true, 200, 150),
                                       BitmapPicture("d.bmp", 256, 200, 8), PnmPicture("f.pnm", false, 180, 120),
                                       BitmapPicture("g.bmp", 160, 100, 1)};
  TarBuilder tar;
  for (const TPicture& p : tarMembers) tar.AddFile(p.Name, p.Bytes, 1600000000);
  ZipBuilder zip;
  for (const TPicture& p : zipMembers) zip.File(p.Name, p.Bytes);
  for (const TPicture& p : files) dir_.Write(p.Name, p.Bytes);
  dir_.Write("c.tar", tar.Bytes());
  dir_.Write("e.zip", zip.Bytes());
  for (const auto* group : {&tarMembers, &zipMembers, &files}) {
    pictures_ += static_cast<int>(group->size());
    for (const TPicture& p : *group) largest_ = std::max(largest_, p.Pixels);
  }

  window_ = CreateMainWindow("Orv");
  window_->Show();
  state_ = std::make_unique<TProgramState>(window_.get());
  // The test plug-in that faults claims only files that start with FAULTME,
  // and a copy named "none-..." never faults.
  for (int i = 0; i < options_.PluginsAhead; ++i)
    state_->AddPlugin(FaultySpi(pluginDir_, "none", "ahead" + std::to_string(i)));
  for (const std::string& plugin : {TestSpi("orvpnm"), TestSpi("orvtar"), CompanionDll("orvzip")})
    state_->AddPlugin(plugin);
  if (options_.ReadAhead) {
    readAhead_ = std::make_unique<TReadAhead>();
    ReadAhead = readAhead_.get();
  }
}

TLongWalk::~TLongWalk() {
  if (InfoDialog && IsWindow(InfoDialog)) DestroyWindow(InfoDialog);
  InfoDialog = nullptr;
  // The worker goes before anything it reads.
  if (readAhead_) readAhead_->Stop();
  ReadAhead = nullptr;
  readAhead_.reset();
  // The picture and the archive's plug-in go before the window.
  state_.reset();
  if (window_->Handle) DestroyWindow(window_->Handle);
  Pump();
}

bool TLongWalk::Start() {
  const bool shown = OpenFile(dir_.Path() + "a.bmp", false) == 0;
  Pump();
  return shown;
}

std::string TLongWalk::Shown() const {
  return CurrentArchive.empty() ? NameOf(Img.FileName) : NameOf(CurrentArchive) + "/" + Img.FileName;
}

void TLongWalk::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (InfoDialog && IsDialogMessageA(InfoDialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool TLongWalk::Step() {
  const bool withDialog = options_.Dialog && steps_ % 2 == 0;
  if (withDialog) window_->DoCommand(kCmdPicInfo);
  const std::string before = Shown();
  for (int turn = 0; turn < 2 && Shown() == before; ++turn) {
    if (turn == 1) forward_ = !forward_;
    window_->DoCommand(forward_ ? kCmdNextImage : kCmdPrevImage);
  }
  Pump();
  if (withDialog && InfoDialog && IsWindow(InfoDialog)) SendMessageA(InfoDialog, WM_COMMAND, kInfoClose, 0);
  Pump();
  ++steps_;
  return Shown() != before;
}
