#pragma once
// Pictures made in code for the picture plug-in's tests: PNG files of every
// colour type, depth and interlacing, GIF files with several frames, icons
// holding several images, and what each pixel must decode to.

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// A pixel as it must come out: 0xAARRGGBB.
using Argb = uint32_t;
inline Argb MakeArgb(uint8_t a, uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Argb>(a) << 24 | static_cast<Argb>(r) << 16 | static_cast<Argb>(g) << 8 | b;
}

struct PngRecipe {
  uint32_t Width = 0;
  uint32_t Height = 0;
  int Depth = 8;       // bits per sample
  int ColourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
  bool Interlaced = false;
  std::vector<uint16_t> Samples;  // row by row, pixel by pixel, channel by channel
  std::vector<uint8_t> Palette;   // RGB triples
  std::vector<uint8_t> Alphas;    // tRNS for palettes
};

inline int PngChannels(int colourType) {
  switch (colourType) {
    case 0:
    case 3:
      return 1;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 3;
  }
}

// A level of depth bits as 8 bits: spread evenly, 16-bit samples rounded.
inline uint8_t Level8(uint16_t v, int depth) {
  if (depth == 16) return static_cast<uint8_t>((v * 255u + 32767u) / 65535u);
  return static_cast<uint8_t>(v * 255u / ((1u << depth) - 1));
}

// What the pixel at (x, y) of the recipe looks like.
inline Argb ExpectedPixel(const PngRecipe& r, uint32_t x, uint32_t y) {
  const int c = PngChannels(r.ColourType);
  const uint16_t* s = &r.Samples[(static_cast<size_t>(y) * r.Width + x) * c];
  switch (r.ColourType) {
    case 0: {
      const uint8_t g = Level8(s[0], r.Depth);
      return MakeArgb(0xFF, g, g, g);
    }
    case 3: {
      const uint8_t* p = &r.Palette[s[0] * 3u];
      return MakeArgb(s[0] < r.Alphas.size() ? r.Alphas[s[0]] : 0xFF, p[0], p[1], p[2]);
    }
    case 4: {
      const uint8_t g = Level8(s[0], r.Depth);
      return MakeArgb(Level8(s[1], r.Depth), g, g, g);
    }
    case 6:
      return MakeArgb(Level8(s[3], r.Depth), Level8(s[0], r.Depth), Level8(s[1], r.Depth), Level8(s[2], r.Depth));
    default:
      return MakeArgb(0xFF, Level8(s[0], r.Depth), Level8(s[1], r.Depth), Level8(s[2], r.Depth));
  }
}

inline void PutBig32(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>(v >> shift);
}

inline void PngChunk(std::string& png, const char* type, const std::string& data) {
  PutBig32(png, static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  png += body;
  PutBig32(png, static_cast<uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// The filtered scanlines (filter type 0) of the pixels in the given columns and rows.
inline std::string PngScanlines(const PngRecipe& r, uint32_t x0, uint32_t dx, uint32_t y0, uint32_t dy) {
  const int c = PngChannels(r.ColourType);
  std::string out;
  for (uint32_t y = y0; y < r.Height; y += dy) {
    if (x0 >= r.Width) break;
    out += '\0';
    uint32_t bits = 0, pending = 0;
    for (uint32_t x = x0; x < r.Width; x += dx) {
      for (int k = 0; k < c; ++k) {
        const uint16_t v = r.Samples[(static_cast<size_t>(y) * r.Width + x) * c + k];
        if (r.Depth == 16) {
          out += static_cast<char>(v >> 8);
          out += static_cast<char>(v);
        } else if (r.Depth == 8) {
          out += static_cast<char>(v);
        } else {
          pending = pending << r.Depth | v;
          bits += r.Depth;
          if (bits == 8) {
            out += static_cast<char>(pending);
            bits = pending = 0;
          }
        }
      }
    }
    if (bits) out += static_cast<char>(pending << (8 - bits));
  }
  return out;
}

inline std::string PngFile(const PngRecipe& r) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  PutBig32(header, r.Width);
  PutBig32(header, r.Height);
  header += static_cast<char>(r.Depth);
  header += static_cast<char>(r.ColourType);
  header += std::string(2, '\0');
  header += static_cast<char>(r.Interlaced ? 1 : 0);
  PngChunk(png, "IHDR", header);
  if (!r.Palette.empty()) PngChunk(png, "PLTE", std::string(r.Palette.begin(), r.Palette.end()));
  if (!r.Alphas.empty()) PngChunk(png, "tRNS", std::string(r.Alphas.begin(), r.Alphas.end()));
  std::string raw;
  if (r.Interlaced) {
    // The seven passes of Adam7: first column, column step, first row, row step.
    const uint32_t passes[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                   {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    for (const auto& p : passes) raw += PngScanlines(r, p[0], p[1], p[2], p[3]);
  } else {
    raw = PngScanlines(r, 0, 1, 0, 1);
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  packed.resize(size);
  PngChunk(png, "IDAT", packed);
  PngChunk(png, "IEND", "");
  return png;
}

// One frame of a GIF: its place on the screen, indexes into the global
// palette, and the index that is transparent (or -1).
struct GifFrame {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::vector<uint8_t> Indexes;
  int Transparent = -1;
};

inline void PutLittle16(std::string& s, uint16_t v) {
  s += static_cast<char>(v);
  s += static_cast<char>(v >> 8);
}

// LZW codes written as literals only, with a clear code before the table
// would make the codes wider: valid for every decoder, and simple.
inline std::string GifImageData(const std::vector<uint8_t>& indexes, int codeSize) {
  const uint32_t clear = 1u << codeSize, end = clear + 1, width = static_cast<uint32_t>(codeSize) + 1;
  std::string codes;
  uint32_t buffer = 0, bits = 0;
  auto put = [&](uint32_t code) {
    buffer |= code << bits;
    bits += width;
    while (bits >= 8) {
      codes += static_cast<char>(buffer & 0xFF);
      buffer >>= 8;
      bits -= 8;
    }
  };
  put(clear);
  uint32_t sinceClear = 0;
  for (uint8_t index : indexes) {
    if (sinceClear == clear - 2) {
      put(clear);
      sinceClear = 0;
    }
    put(index);
    ++sinceClear;
  }
  put(end);
  if (bits) codes += static_cast<char>(buffer & 0xFF);
  std::string out(1, static_cast<char>(codeSize));
  for (size_t at = 0; at < codes.size(); at += 255) {
    const std::string block = codes.substr(at, 255);
    out += static_cast<char>(block.size());
    out += block;
  }
  out += '\0';
  return out;
}

// A GIF89a with a global palette of 2^bits RGB entries.
inline std::string GifFile(uint16_t width, uint16_t height, int bits, const std::vector<uint8_t>& palette,
                           const std::vector<GifFrame>& frames) {
  std::string gif = "GIF89a";
  PutLittle16(gif, width);
  PutLittle16(gif, height);
  gif += static_cast<char>(0x80 | (bits - 1));
  gif += std::string(2, '\0');
  std::string table(palette.begin(), palette.end());
  table.resize(3u << bits, '\0');
  gif += table;
  for (const GifFrame& f : frames) {
    gif += "\x21\xF9\x04";
    gif += static_cast<char>(f.Transparent >= 0 ? 1 : 0);
    PutLittle16(gif, 10);
    gif += static_cast<char>(f.Transparent >= 0 ? f.Transparent : 0);
    gif += '\0';
    gif += '\x2C';
    PutLittle16(gif, f.Left);
    PutLittle16(gif, f.Top);
    PutLittle16(gif, f.Width);
    PutLittle16(gif, f.Height);
    gif += '\0';
    gif += GifImageData(f.Indexes, bits < 2 ? 2 : bits);
  }
  gif += '\x3B';
  return gif;
}

// An icon file holding the given PNG images, each with its size.
inline std::string IconFile(const std::vector<std::pair<int, std::string>>& images) {
  std::string ico;
  PutLittle16(ico, 0);
  PutLittle16(ico, 1);
  PutLittle16(ico, static_cast<uint16_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (const auto& [size, png] : images) {
    ico += static_cast<char>(size >= 256 ? 0 : size);
    ico += static_cast<char>(size >= 256 ? 0 : size);
    ico += std::string(2, '\0');
    PutLittle16(ico, 1);
    PutLittle16(ico, 32);
    for (uint32_t v : {static_cast<uint32_t>(png.size()), offset}) {
      for (int shift = 0; shift < 32; shift += 8) ico += static_cast<char>(v >> shift);
    }
    offset += static_cast<uint32_t>(png.size());
  }
  for (const auto& image : images) ico += image.second;
  return ico;
}
