// The picture plug-in through the program's plug-in host and as a plain DLL,
// on pictures built here and checked pixel by pixel.
#include <gtest/gtest.h>

#include <thread>

#include "companion_test_util.h"
#include "exif_positions.h"
#include "framework/handles.h"
#include "plugin_test_util.h"
#include "companions/common/spi_codes.h"
#include "plugins/spi_api.h"
#include "plugins/plugin_table_win.h"
#include "plugins/spi_util.h"
#include "wic_test_util.h"

namespace {

// Samples that reach every level of the depth, varied over the picture.
PngRecipe Png(int colourType, int depth, uint32_t w, uint32_t h, bool interlaced = false) {
  PngRecipe r;
  r.Width = w;
  r.Height = h;
  r.Depth = depth;
  r.ColourType = colourType;
  r.Interlaced = interlaced;
  const int channels = PngChannels(colourType);
  const uint32_t top = colourType == 3 ? (1u << depth) - 1 : (1u << depth) - 1;
  uint32_t seed = 12345;
  for (size_t i = 0; i < static_cast<size_t>(w) * h * channels; ++i) {
    seed = seed * 1103515245 + 12345;
    r.Samples.push_back(static_cast<uint16_t>(i % 3 == 0 ? i % (top + 1) : (seed >> 8) % (top + 1)));
  }
  if (colourType == 3) {
    for (uint32_t i = 0; i <= top; ++i) {
      r.Palette.insert(r.Palette.end(), {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11),
                                         static_cast<uint8_t>(i * 5 + 3)});
    }
  }
  return r;
}

struct Decoded {
  int32_t Code = -2;
  int32_t ColorBits = 0;
  DibPixels Dib;
};

// Through the program's own host, as it opens a file.
Decoded DecodeThroughHost(const std::string& file, const std::string& name = "picture") {
  Decoded d;
  TPlugin& plugin = PluginRecord(CompanionDll("orvwic"));
  const int32_t kind = ProbePlugin(plugin, name, ProbeHeader(file).Bytes);
  EXPECT_EQ(kind, kPluginPicture) << name;
  if (kind != kPluginPicture) return d;
  TDecodedPicture picture;
  d.Code = DecodePicture(plugin, reinterpret_cast<const uint8_t*>(file.data()), file.size(), picture);
  if (d.Code != 0) return d;
  d.ColorBits = picture.ColorBits;
  EXPECT_TRUE(ReadDib(&picture.Info, sizeof picture.Info, picture.Bits, static_cast<size_t>(picture.BitsSize), d.Dib));
  HLOCAL bits = static_cast<HLOCAL>(picture.BitsHandle);
  LocalUnlock(bits);
  EXPECT_TRUE(IsMovableLocal(bits));
  LocalFree(bits);
  return d;
}

std::vector<Argb> Expected(const PngRecipe& r) {
  std::vector<Argb> pixels;
  for (uint32_t y = 0; y < r.Height; ++y) {
    for (uint32_t x = 0; x < r.Width; ++x) pixels.push_back(ExpectedPixel(r, x, y));
  }
  return pixels;
}

// Every pixel equal; the first difference is reported.
void ExpectPixels(const DibPixels& dib, uint32_t w, uint32_t h, const std::vector<Argb>& expected,
                  const std::string& what) {
  ASSERT_EQ(dib.Width(), static_cast<int>(w)) << what;
  ASSERT_EQ(dib.Height(), static_cast<int>(h)) << what;
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      const Argb want = expected[static_cast<size_t>(y) * w + x];
      if (dib.At(static_cast<int>(x), static_cast<int>(y)) != want) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << std::hex << dib.At(x, y) << ", not " << want;
        return;
      }
    }
  }
}

class WicPlugin : public testing::Test {
 protected:
  void SetUp() override {
    dll_ = LoadPluginModule(CompanionDll("orvwic"));
    ASSERT_TRUE(dll_);
  }
  template <typename Proc>
  Proc Export(const char* name) const {
    Proc proc = GetExport<Proc>(dll_.get(), name);
    EXPECT_NE(proc, nullptr) << name;
    return proc;
  }
  TempDir dir_;

 private:
  ModuleHandle dll_;
};

}  // namespace

TEST(WicPng, EveryColourTypeDepthAndInterlacingDecodesPixelExact) {
  PngRecipe paletteAlpha = Png(3, 8, 9, 5);
  paletteAlpha.Alphas = {0, 128, 255, 7};
  PngRecipe opaqueAlpha = Png(6, 8, 6, 4);
  for (size_t i = 3; i < opaqueAlpha.Samples.size(); i += 4) opaqueAlpha.Samples[i] = 255;
  const struct {
    const char* what;
    PngRecipe recipe;
    int dibBits;
    int colorBits;  // 0: the codec's choice, not checked
  } cases[] = {
      {"grey 1", Png(0, 1, 13, 7), 8, 1},
      {"grey 2", Png(0, 2, 13, 7), 8, 2},
      {"grey 4", Png(0, 4, 13, 7), 8, 4},
      {"grey 8", Png(0, 8, 13, 7), 8, 8},
      {"grey 16", Png(0, 16, 13, 7), 8, 16},
      {"palette 1", Png(3, 1, 13, 7), 8, 1},
      {"palette 2", Png(3, 2, 13, 7), 8, 2},
      {"palette 4", Png(3, 4, 13, 7), 8, 4},
      {"palette 8", Png(3, 8, 13, 7), 8, 8},
      {"palette with transparency", paletteAlpha, 32, 8},
      {"RGB 8", Png(2, 8, 13, 7), 24, 24},
      {"RGB 16", Png(2, 16, 13, 7), 24, 48},
      {"grey and alpha 8", Png(4, 8, 13, 7), 32, 0},
      {"grey and alpha 16", Png(4, 16, 13, 7), 32, 0},
      {"RGBA 8", Png(6, 8, 13, 7), 32, 32},
      {"RGBA 16", Png(6, 16, 13, 7), 32, 64},
      {"RGBA without transparency", opaqueAlpha, 24, 32},
      {"interlaced RGB 8", Png(2, 8, 19, 11, true), 24, 24},
      {"interlaced grey 1", Png(0, 1, 19, 11, true), 8, 1},
      {"interlaced palette 4", Png(3, 4, 19, 11, true), 8, 4},
      {"interlaced RGBA 16", Png(6, 16, 19, 11, true), 32, 64},
  };
  for (const auto& c : cases) {
    const Decoded d = DecodeThroughHost(PngFile(c.recipe), c.what);
    ASSERT_EQ(d.Code, 0) << c.what;
    EXPECT_EQ(d.Dib.Header.biBitCount, c.dibBits) << c.what;
    if (c.colorBits) {
      EXPECT_EQ(d.ColorBits, c.colorBits) << c.what;
    }
    ExpectPixels(d.Dib, c.recipe.Width, c.recipe.Height, Expected(c.recipe), c.what);
  }
}

TEST(WicJpeg, ClosePictureStandingUprightInEveryOrientation) {
  // Twelve cells of 16 x 16 pixels, no two alike: any turn or mirror shows.
  constexpr uint32_t kCell = 16, kColumns = 4, kRows = 3;
  auto colour = [](uint32_t column, uint32_t row) {
    return MakeArgb(0xFF, static_cast<uint8_t>(40 + column * 60), static_cast<uint8_t>(30 + row * 90),
                    static_cast<uint8_t>(200 - column * 30 - row * 20));
  };
  const uint32_t w = kColumns * kCell, h = kRows * kCell;
  ModuleHandle plugin = LoadPluginModule(CompanionDll("orvwic"));
  auto pictureInfo = GetExport<SpiGetPictureInfoProc>(plugin.get(), "GetPictureInfo");
  ASSERT_NE(pictureInfo, nullptr);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const bool turned = orientation >= 5;
    const uint32_t sw = turned ? h : w, sh = turned ? w : h;
    std::vector<Argb> stored(static_cast<size_t>(sw) * sh);
    for (uint32_t sy = 0; sy < sh; ++sy) {
      for (uint32_t sx = 0; sx < sw; ++sx) {
        uint32_t x = 0, y = 0;
        UprightPosition(orientation, w, h, sx, sy, x, y);
        stored[static_cast<size_t>(sy) * sw + sx] = colour(x / kCell, y / kCell);
      }
    }
    const std::string jpeg = EncodeWithSystem(GUID_ContainerFormatJpeg, sw, sh, stored);
    ASSERT_FALSE(jpeg.empty());
    for (bool bigEndian : {false, true}) {
      SCOPED_TRACE(testing::Message() << "orientation " << orientation << (bigEndian ? " MM" : " II"));
      const std::string photo = WithOrientation(jpeg, orientation, bigEndian);
      SpiPictureInfo info{};
      ASSERT_EQ(pictureInfo(photo.data(), static_cast<LONG_PTR>(photo.size()), kSpiInputMemory, &info), 0);
      EXPECT_EQ(info.Width, static_cast<int32_t>(w));
      EXPECT_EQ(info.Height, static_cast<int32_t>(h));
      const Decoded d = DecodeThroughHost(photo);
      ASSERT_EQ(d.Code, 0);
      EXPECT_EQ(d.ColorBits, 24);
      ASSERT_EQ(d.Dib.Width(), static_cast<int>(w));
      ASSERT_EQ(d.Dib.Height(), static_cast<int>(h));
      for (uint32_t row = 0; row < kRows; ++row) {
        for (uint32_t column = 0; column < kColumns; ++column) {
          const Argb got = d.Dib.At(column * kCell + kCell / 2, row * kCell + kCell / 2);
          const Argb want = colour(column, row);
          for (int shift : {0, 8, 16}) {
            EXPECT_NEAR(static_cast<int>(got >> shift & 0xFF), static_cast<int>(want >> shift & 0xFF), 12)
                << "cell " << column << "," << row;
          }
        }
      }
      // Over the whole picture, edges of cells included, the error stays small.
      double error = 0;
      for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
          const Argb got = d.Dib.At(static_cast<int>(x), static_cast<int>(y)), want = colour(x / kCell, y / kCell);
          for (int shift : {0, 8, 16})
            error += std::abs(static_cast<int>(got >> shift & 0xFF) - static_cast<int>(want >> shift & 0xFF));
        }
      }
      EXPECT_LT(error / (w * h * 3), 4.0);
    }
  }
}

TEST(WicGif, TheFirstFrameIsExact) {
  const std::vector<uint8_t> palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 99, 199};
  GifFrame first{0, 0, 7, 5, {}, -1};
  for (int i = 0; i < 35; ++i) first.Indexes.push_back(static_cast<uint8_t>(i * 7 % 5));
  GifFrame second{0, 0, 7, 5, std::vector<uint8_t>(35, 1), -1};
  for (bool transparent : {false, true}) {
    first.Transparent = transparent ? 4 : -1;
    const Decoded d = DecodeThroughHost(GifFile(7, 5, 3, palette, {first, second}), "gif");
    ASSERT_EQ(d.Code, 0);
    EXPECT_EQ(d.Dib.Header.biBitCount, transparent ? 32 : 8);
    std::vector<Argb> expected;
    // The transparent entry keeps its colour; only its alpha is 0.
    for (uint8_t i : first.Indexes) {
      const bool clear = transparent && i == 4;
      expected.push_back(MakeArgb(clear ? 0 : 0xFF, palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]));
    }
    ExpectPixels(d.Dib, 7, 5, expected, transparent ? "transparent gif" : "gif");
  }
}

TEST(WicIcon, TheLargestImageIsShown) {
  PngRecipe small = Png(6, 8, 16, 16), large = Png(6, 8, 32, 32), middle = Png(6, 8, 24, 24);
  const Decoded d =
      DecodeThroughHost(IconFile({{16, PngFile(small)}, {32, PngFile(large)}, {24, PngFile(middle)}}), "icon");
  ASSERT_EQ(d.Code, 0);
  ExpectPixels(d.Dib, 32, 32, Expected(large), "icon");
}

TEST(WicOther, ATiffFromTheSystemsEncoderDecodesExact) {
  std::vector<Argb> pixels;
  for (uint32_t i = 0; i < 11 * 6; ++i) pixels.push_back(MakeArgb(0xFF, i * 3, 255 - i, i * 7 % 256));
  const std::string tiff = EncodeWithSystem(GUID_ContainerFormatTiff, 11, 6, pixels);
  ASSERT_FALSE(tiff.empty());
  const Decoded d = DecodeThroughHost(tiff, "tiff");
  ASSERT_EQ(d.Code, 0);
  ExpectPixels(d.Dib, 11, 6, pixels, "tiff");
}

TEST(WicBroken, CorruptAndTruncatedFilesAreRefusedWithACode) {
  const std::string png = PngFile(Png(2, 8, 40, 30));
  std::string badData = png;
  for (size_t i = png.find("IDAT") + 6; i < png.size() - 20; ++i) badData[i] = static_cast<char>(i * 31);
  std::string badHeader = png;
  badHeader[16] = badHeader[17] = badHeader[18] = badHeader[19] = '\0';  // width 0
  std::vector<Argb> pixels(64 * 48, MakeArgb(0xFF, 10, 200, 30));
  const std::string jpeg = EncodeWithSystem(GUID_ContainerFormatJpeg, 64, 48, pixels);
  std::string badJpeg = jpeg;
  for (size_t i = 20; i < jpeg.size() - 2; ++i) badJpeg[i] = static_cast<char>(0xFF);
  GifFrame frame{0, 0, 20, 20, std::vector<uint8_t>(400, 1), -1};
  const std::string gif = GifFile(20, 20, 2, {0, 0, 0, 255, 255, 255}, {frame});
  std::string badGif = gif;
  badGif.replace(gif.find('\x2C') + 10, 30, 30, '\xFF');
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"png cut in half", png.substr(0, png.size() / 2)},
      {"png header only", png.substr(0, 33)},
      {"png with garbage data", badData},
      {"png of width 0", badHeader},
      {"jpeg header only", jpeg.substr(0, 40)},
      {"jpeg with garbage tables", badJpeg},
      {"gif cut short", gif.substr(0, 30)},
      {"gif with garbage data", badGif},
  };
  for (const auto& c : cases) {
    ModuleHandle module = LoadPluginModule(CompanionDll("orvwic"));
    TDecodedPicture picture;
    const int32_t code =
        DecodePicture(module.get(), reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size(), picture);
    EXPECT_NE(code, 0) << c.what;
    EXPECT_EQ(picture.BitsHandle, nullptr) << c.what;
  }
}

TEST_F(WicPlugin, FromAFileAtAnOffsetAndFromMemoryWithMovableBlocks) {
  const PngRecipe recipe = Png(6, 8, 21, 9);
  const std::string png = PngFile(recipe);
  const std::string file = dir_.Write("inside.bin", std::string(300, 'j') + png);
  auto pictureInfo = Export<SpiGetPictureInfoProc>("GetPictureInfo");
  auto getPicture = Export<SpiGetPictureProc>("GetPicture");
  auto getPreview = Export<SpiGetPictureProc>("GetPreview");
  const struct {
    LPCSTR input;
    LONG_PTR length;
    unsigned flag;
    SpiGetPictureProc call;
  } calls[] = {{file.c_str(), 300, kSpiInputFile, getPicture},
               {png.data(), static_cast<LONG_PTR>(png.size()), kSpiInputMemory, getPicture},
               {png.data(), static_cast<LONG_PTR>(png.size()), kSpiInputMemory, getPreview}};
  for (const auto& c : calls) {
    SpiPictureInfo info;
    std::memset(&info, 0x55, sizeof info);
    ASSERT_EQ(pictureInfo(c.input, c.length, c.flag, &info), 0);
    EXPECT_EQ(info.Width, 21);
    EXPECT_EQ(info.Height, 9);
    EXPECT_EQ(info.ColorDepth, 32);
    EXPECT_EQ(info.TextHandle, 0u);
    HLOCAL header = nullptr, bits = nullptr;
    ASSERT_EQ(c.call(c.input, c.length, c.flag, &header, &bits, nullptr, 0), 0);
    LocalMemory headerBlock(header), bitsBlock(bits);
    ASSERT_TRUE(IsMovableLocal(header));
    ASSERT_TRUE(IsMovableLocal(bits));
    LockedLocal h(header), b(bits);
    DibPixels dib;
    ASSERT_TRUE(ReadDib(h.get(), LocalSize(header), b.get(), LocalSize(bits), dib));
    ExpectPixels(dib, 21, 9, Expected(recipe), "png");
  }
  SpiPictureInfo info{};
  EXPECT_EQ(pictureInfo((dir_.Path() + "missing.png").c_str(), 0, kSpiInputFile, &info), kSpiReadError);
  EXPECT_EQ(pictureInfo("not a picture at all", 20, kSpiInputMemory, &info), kSpiUnknownFormat);
}

namespace {

struct Progress {
  int Calls = 0;
  int CancelAt = -1;
  int Done = -1;
  int Total = -1;
};

int __stdcall CountProgress(int done, int total, LONG_PTR data) {
  auto* p = reinterpret_cast<Progress*>(data);
  p->Done = done;
  p->Total = total;
  return p->Calls++ == p->CancelAt ? 1 : 0;
}

}  // namespace

TEST_F(WicPlugin, ProgressIsReportedAndANonZeroAnswerCancels) {
  // Several strips of rows: more than a megabyte of pixels.
  const std::string png = PngFile(Png(2, 8, 600, 900));
  auto getPicture = Export<SpiGetPictureProc>("GetPicture");
  for (int cancelAt : {-1, 0, 1}) {
    Progress p;
    p.CancelAt = cancelAt;
    HLOCAL header = nullptr, bits = nullptr;
    const int code = getPicture(png.data(), static_cast<LONG_PTR>(png.size()), kSpiInputMemory, &header, &bits,
                                CountProgress, reinterpret_cast<LONG_PTR>(&p));
    LocalMemory headerBlock(header), bitsBlock(bits);
    if (cancelAt < 0) {
      EXPECT_EQ(code, 0);
      EXPECT_GT(p.Calls, 2);
      EXPECT_EQ(p.Done, 900);
      EXPECT_EQ(p.Total, 900);
    } else {
      EXPECT_EQ(code, kSpiCancelled) << cancelAt;
      EXPECT_EQ(p.Calls, cancelAt + 1);
      EXPECT_EQ(header, nullptr);
      EXPECT_EQ(bits, nullptr);
    }
  }
}

TEST_F(WicPlugin, TextsNameTheSystemsDecodersButNeverBitmaps) {
  auto info = Export<SpiGetPluginInfoProc>("GetPluginInfo");
  char text[512];
  info(0, text, sizeof text);
  EXPECT_STREQ(text, "00IN");
  info(1, text, sizeof text);
  EXPECT_NE(std::string(text).find(ORV_VERSION_TEXT), std::string::npos) << text;
  std::string filters;
  int number = 2;
  for (; number < 200 && info(number, text, sizeof text) > 0; number += 2) {
    filters += std::string(text) + ";";
    ASSERT_GT(info(number + 1, text, sizeof text), 0) << number + 1;
    EXPECT_NE(std::string(text).find("pictures"), std::string::npos) << text;
  }
  EXPECT_EQ(info(number + 1, text, sizeof text), 0);
  for (const char* wanted : {"*.png;", "*.jpg;", "*.gif;", "*.tif", "*.ico;"}) {
    EXPECT_NE(filters.find(wanted), std::string::npos) << wanted << " in " << filters;
  }
  EXPECT_EQ(filters.find("*.bmp"), std::string::npos) << filters;
  std::cout << "Decoders here: " << filters << "\n";
}

TEST_F(WicPlugin, ProbesDecideFromTheBytesInBothFormsOfTheArgument) {
  auto isSupported = Export<SpiIsSupportedProc>("IsSupported");
  std::vector<Argb> pixels(16 * 8, MakeArgb(0xFF, 1, 2, 3));
  const struct {
    const char* name;
    std::string bytes;
    bool supported;
  } cases[] = {
      {"a.txt", PngFile(Png(0, 8, 2, 2)), true},
      {"b.jpg", EncodeWithSystem(GUID_ContainerFormatJpeg, 16, 8, pixels), true},
      {"c.gif", GifFile(1, 1, 1, {0, 0, 0}, {GifFrame{0, 0, 1, 1, {0}, -1}}), true},
      {"d.png", "plain text with a picture's name", false},
      {"e.bmp", std::string("BM") + std::string(60, '\0'), false},
  };
  for (const auto& c : cases) {
    const std::string file = dir_.Write(c.name, c.bytes);
    EXPECT_EQ(isSupported(file.c_str(), ProbeHeader(c.bytes).Bytes) != 0, c.supported) << c.name;
    FileHandle handle(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_LE(reinterpret_cast<uintptr_t>(handle.get()), 0xFFFFu);
    EXPECT_EQ(isSupported(file.c_str(), handle.get()) != 0, c.supported) << c.name;
  }
}

TEST_F(WicPlugin, TheCallingThreadsComIsLeftAsItWas) {
  const std::string png = PngFile(Png(2, 8, 4, 4));
  auto getPicture = Export<SpiGetPictureProc>("GetPicture");
  const struct {
    const char* what;
    bool initialise;
    DWORD model;
  } threads[] = {{"no COM", false, 0},
                 {"single-threaded", true, COINIT_APARTMENTTHREADED},
                 {"multithreaded", true, COINIT_MULTITHREADED}};
  for (const auto& t : threads) {
    int code = -2;
    HRESULT afterwards = E_FAIL;
    std::thread([&] {
      if (t.initialise) CoInitializeEx(nullptr, t.model);
      HLOCAL header = nullptr, bits = nullptr;
      code = getPicture(png.data(), static_cast<LONG_PTR>(png.size()), kSpiInputMemory, &header, &bits, nullptr, 0);
      LocalFree(header);
      LocalFree(bits);
      // S_FALSE: COM is still there in this model; S_OK: it had been left uninitialised.
      afterwards = CoInitializeEx(nullptr, t.initialise ? t.model : DWORD{COINIT_MULTITHREADED});
      CoUninitialize();
      if (t.initialise) CoUninitialize();
    }).join();
    EXPECT_EQ(code, 0) << t.what;
    EXPECT_EQ(afterwards, t.initialise ? S_FALSE : S_OK) << t.what;
  }
}

TEST_F(WicPlugin, WideExportsReadFilesNoCodePageSpellsAndProbeAsTheAnsiOnes) {
  using PictureInfoW = int(__stdcall*)(LPCWSTR, LONG_PTR, unsigned, SpiPictureInfo*);
  using PictureW = int(__stdcall*)(LPCWSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, SpiProgressProc, LONG_PTR);
  const PngRecipe recipe = Png(6, 8, 21, 9);
  const std::string png = PngFile(recipe);
  auto pictureInfo = Export<PictureInfoW>("GetPictureInfoW");
  auto isSupported = Export<SpiIsSupportedProc>("IsSupported");
  auto isSupportedW = Export<SpiIsSupportedWProc>("IsSupportedW");
  WideTempDir wide;
  for (const std::u16string& name : kNamesOfEveryScript) {
    // Read from an offset, as a picture inside a larger file.
    const std::wstring file = wide.Write(name, std::string(300, 'j') + png);
    SpiPictureInfo info{};
    ASSERT_EQ(pictureInfo(file.c_str(), 300, kSpiInputFile, &info), 0);
    EXPECT_EQ(std::tuple(info.Width, info.Height, info.ColorDepth), std::tuple(21, 9, int16_t{32}));
    for (const char* call : {"GetPictureW", "GetPreviewW"}) {
      HLOCAL header = nullptr, bits = nullptr;
      ASSERT_EQ(Export<PictureW>(call)(file.c_str(), 300, kSpiInputFile, &header, &bits, nullptr, 0), 0) << call;
      LocalMemory headerBlock(header), bitsBlock(bits);
      LockedLocal h(header), b(bits);
      DibPixels dib;
      ASSERT_TRUE(ReadDib(h.get(), LocalSize(header), b.get(), LocalSize(bits), dib));
      ExpectPixels(dib, 21, 9, Expected(recipe), call);
    }
    for (const std::string& bytes : {png, std::string("plain text"), std::string("BM") + std::string(60, '\0')}) {
      EXPECT_EQ(isSupportedW(wide.Write(name, bytes).c_str(), ProbeHeader(bytes).Bytes),
                isSupported("x.png", ProbeHeader(bytes).Bytes));
    }
  }
}
