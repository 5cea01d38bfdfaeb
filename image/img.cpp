#include "image/img.h"

#include <utility>
#include <algorithm>

#include "image/format_desc.h"
#include "image/pixel_rows.h"

TImg Img;

void ClearImg(TImg& img) {
  img.Bits = nullptr;
  img.BitsHandle = nullptr;
  img.BitsMapped = false;
  img.Loaded = 0;
  img.HasAlpha = false;
  img.PluginDesc.clear();
  img.PluginPath.clear();
  img.TextInfo.clear();
}

// The product is formed in 64 bits; a result past the int32 range (a huge
// picture at a high zoom) is held at the largest value rather than wrapping.
static int32_t ZoomedSize(int32_t size, int32_t zoom) {
  const int64_t v = static_cast<int64_t>(size) * zoom / 100;
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

void SetImgDispSize(TImg& img) {
  img.DispWidth = ZoomedSize(img.Width, img.Zoom);
  img.DispHeight = ZoomedSize(ImgRows(img), img.Zoom);
}

uint32_t NextImgSerial() {
  static uint32_t serial = 0;
  return ++serial;
}

void InstallImg(TImg& img, const TDecodedPicture& pic, const uint8_t* file, size_t fileSize) {
  InstallImg(img, pic, DescribeFormat(file, fileSize));
}

void InstallImg(TImg& img, const TDecodedPicture& pic, std::string formatText) {
  img.Loaded = 1;
  img.BitsHandle = pic.BitsHandle;
  img.BitsMapped = pic.BitsMapped;
  img.BitsSize = pic.BitsSize;
  img.Bits = pic.Bits;
  img.ColorBits = pic.ColorBits;
  img.Info = pic.Info;
  img.Width = img.Info.bmiHeader.biWidth;
  img.Height = img.Info.bmiHeader.biHeight;
  if (img.Zoom == 0) img.Zoom = 100;
  SetImgDispSize(img);
  img.TextInfo = NormalizeLineBreaks(pic.TextInfo);
  img.FormatText = std::move(formatText);
  img.HasAlpha = DibHasAlpha(img.Info, img.Bits, static_cast<uint64_t>(std::max(img.BitsSize, 0)));
  img.Serial = NextImgSerial();
}
