// Turning and mirroring the shown picture: the held pixel block is rewritten,
// so everything that reads it (painting, the title, fitting the window, the
// information dialog and the wallpaper) sees the turned picture. The next
// picture shown comes as decoded.
#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "app/globals.h"
#include "image/block_alloc.h"
#include "image/bmp_reader.h"
#include "image/img.h"
#include "image/turn_dib.h"
#include "viewer/main_window.h"
#include "viewer/view_state.h"

namespace {

// A run-length picture a plug-in handed over, as the bitmap reader decodes
// its own: into a 24-bit block of the program's. info becomes its header.
void* DecodeRunLength(BitmapInfo& info, int32_t& size) {
  const uint32_t compression = info.bmiHeader.biCompression;
  if (compression != kBiRle8 && compression != kBiRle4) return nullptr;
  void* bits = nullptr;
  if (DecodeRleTo24(info, static_cast<const uint8_t*>(Img.Bits), static_cast<size_t>(std::max(Img.BitsSize, 0)),
                    GlobalBlocks, bits, size) != kDecodeOk)
    return nullptr;
  return bits;
}

}  // namespace

void TMainWindow::TurnPicture(TTurn turn) {
  if (!Img.Loaded || !Img.Bits) return;
  BitmapInfo info = Img.Info;
  const void* bits = Img.Bits;
  int32_t size = std::max(Img.BitsSize, 0);
  int32_t decodedSize = 0;
  void* decoded = DecodeRunLength(info, decodedSize);
  if (decoded) {
    bits = decoded;
    size = decodedSize;
  }
  // The held size is a 32-bit count: a turn that would need more (a narrow
  // 1-bit picture turned gets padded rows) is not made.
  const uint64_t need = TurnedBlockSize(info, turn);
  void* block = need > 0 && need <= INT32_MAX ? GlobalBlocks.Alloc(need) : nullptr;
  BitmapInfo turned;
  const bool made = block && TurnDib(info, bits, static_cast<uint64_t>(size), turn, turned, static_cast<uint8_t*>(block), need);
  GlobalBlocks.Free(decoded);
  if (!made) {
    GlobalBlocks.Free(block);
    return;
  }
  ReplaceImgPixels(Img, turned, block, static_cast<int32_t>(need));
  ShrinkCache.Clear();
  // Shown as a newly loaded picture is.
  ScrollX = 0;
  ScrollY = 0;
  UpdateCaption();
  if (!Stretch && !IsFullScreen && !IsZoomed(Handle)) FitToPicture();
  if (InfoDialog && IsWindow(InfoDialog)) SendMessageA(InfoDialog, WM_INITDIALOG, 0, 0);
  Invalidate();
  UpdateWindow(Handle);
}
