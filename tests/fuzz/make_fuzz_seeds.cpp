// Writes the starting inputs of the fuzz targets, one folder per target under
// the folder given: well-formed bitmaps of every kind the reader takes,
// resampler jobs over them, configuration files with includes and quotes, key
// texts and key maps, archive record blocks and catalogue texts. The bounded
// runs start from this structure instead of from nothing.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "image/bmp_builder.h"
#include "plugins/bridge_protocol.h"
#include "plugins/spi_records.h"

namespace {

std::filesystem::path root;

void Write(const char* target, const std::string& name, const TBytes& bytes) {
  const std::filesystem::path folder = root / target;
  std::filesystem::create_directories(folder);
  std::ofstream(folder / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Write(const char* target, const std::string& name, const std::string& text) {
  Write(target, name, TBytes(text.begin(), text.end()));
}

uint32_t Stride(int32_t width, uint16_t bitCount) { return (static_cast<uint32_t>(width) * bitCount + 31) / 32 * 4; }

// A w x h picture of the given depth with its colour table and pattern pixels.
TBmpRecipe Picture(int32_t w, int32_t h, uint16_t bitCount, uint32_t headerSize = 40) {
  TBmpRecipe r;
  r.HeaderSize = headerSize;
  r.Width = w;
  r.Height = h;
  r.BitCount = bitCount;
  if (bitCount <= 8) r.Extra = TestPalette(size_t{1} << bitCount, headerSize == 12 ? 3 : 4);
  r.Pixels = PatternBytes(Stride(w, bitCount) * static_cast<uint32_t>(h < 0 ? -h : h), w * 31 + bitCount);
  return r;
}

TBytes Masks(uint32_t red, uint32_t green, uint32_t blue) {
  TBytes b;
  Put32(b, red);
  Put32(b, green);
  Put32(b, blue);
  return b;
}

void Bitmaps() {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    Write("fuzz_bmp", "rgb" + std::to_string(bits) + ".bmp", MakeBmp(Picture(5, 3, bits)));
    Write("fuzz_bmp", "topdown" + std::to_string(bits) + ".bmp", MakeBmp(Picture(5, -3, bits)));
  }
  for (uint16_t bits : {1, 4, 8, 24})
    Write("fuzz_bmp", "os2_" + std::to_string(bits) + ".bmp", MakeBmp(Picture(5, 3, bits, 12)));
  for (uint32_t header : {108u, 124u}) {
    Write("fuzz_bmp", "v" + std::to_string(header) + "_24.bmp", MakeBmp(Picture(5, 3, 24, header)));
    // A long header leaves room for a short colour table only.
    TBmpRecipe paletted = Picture(5, 3, 8, header);
    paletted.ClrUsed = 16;
    paletted.Extra = TestPalette(16, 4);
    Write("fuzz_bmp", "v" + std::to_string(header) + "_8.bmp", MakeBmp(paletted));
  }
  TBmpRecipe fields16 = Picture(5, 3, 16);
  fields16.Compression = 3;
  fields16.Extra = Masks(0xF800, 0x07E0, 0x001F);
  Write("fuzz_bmp", "bitfields16.bmp", MakeBmp(fields16));
  TBmpRecipe fields32 = Picture(5, 3, 32);
  fields32.Compression = 3;
  fields32.Extra = Masks(0xFF0000, 0x00FF00, 0x0000FF);
  Write("fuzz_bmp", "bitfields32.bmp", MakeBmp(fields32));
  TBmpRecipe fewColours = Picture(5, 3, 8);
  fewColours.ClrUsed = 16;
  fewColours.Extra = TestPalette(16, 4);
  Write("fuzz_bmp", "clrused16.bmp", MakeBmp(fewColours));

  // Run-length pictures: a run, an absolute stretch, line ends, a jump, the end.
  TBmpRecipe rle8 = Picture(6, 3, 8);
  rle8.Compression = 1;
  rle8.Pixels = {3, 1, 0, 3, 4, 5, 6, 0, 0, 0, 6, 2, 0, 0, 0, 2, 1, 1, 2, 7, 0, 1};
  rle8.SizeImage = static_cast<uint32_t>(rle8.Pixels.size());
  Write("fuzz_bmp", "rle8.bmp", MakeBmp(rle8));
  TBmpRecipe rle4 = Picture(6, 3, 4);
  rle4.Compression = 2;
  rle4.Pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 0, 6, 0x77, 0, 0, 0, 2, 1, 1, 2, 0x88, 0, 1};
  rle4.SizeImage = static_cast<uint32_t>(rle4.Pixels.size());
  Write("fuzz_bmp", "rle4.bmp", MakeBmp(rle4));
}

// The resampler's input as its target reads it: eight words, then the bits.
void ScaleJobs() {
  const int depths[] = {1, 4, 8, 16, 24, 32};
  for (int index = 0; index < 6; ++index) {
    const uint16_t bits = static_cast<uint16_t>(depths[index]);
    struct Job {
      const char* name;
      int32_t height, zoomW, zoomH, scrollX, scrollY, outW, outH;
    } jobs[] = {
        {"up", 4, 9, 6, 1, 1, 8, 5},        // 150 %, scrolled
        {"down", 4, 3, 2, 0, 0, 8, 8},      // 50 %, margins around it
        {"topdown", -4, 6, 4, 0, 0, 6, 4},  // 100 % of rows stored from the top
    };
    for (const Job& job : jobs) {
      TBytes input;
      // Small source (8), small zoomed sizes (16, 32), depth index in the low bits.
      Put32(input, static_cast<uint32_t>(index | 8 | 16 | 32));
      for (int32_t word : {6, job.height, job.zoomW, job.zoomH, job.scrollX, job.scrollY, job.outW, job.outH})
        Put32(input, static_cast<uint32_t>(word));
      Append(input, PatternBytes(Stride(6, bits) * 4, bits));
      Write("fuzz_scale", std::string(job.name) + std::to_string(bits), input);
      // Shrunk 16- and 32-bit pictures with bit fields (128; 565 masks at
      // 256) and with alpha (64), for the smooth view.
      if ((bits == 16 || bits == 32) && job.zoomW < 6) {
        input[0] = static_cast<uint8_t>(input[0] | (bits == 32 ? 64 : 128));
        input[1] = static_cast<uint8_t>(bits == 16 ? 1 : 0);
        Write("fuzz_scale", std::string(job.name) + std::to_string(bits) + (bits == 32 ? "alpha" : "fields"), input);
      }
    }
  }
}

void ConfigurationFiles() {
  Write("fuzz_conf", "settings", "# settings\r\nKeepViewPosition on\r\n\r\nKeepViewPosition\r\n");
  Write("fuzz_conf", "view", "Smoothing off\r\nBackground 255, 0,128\r\nBackground 1,2\r\nSmoothing ON\r\n");
  Write("fuzz_conf", "include", "@Include other\r\nKeepViewPosition ON\r\n@Include %TEMP%\\more\r\n@Include\r\n");
  Write("fuzz_conf", "values",
        "key a, b ,c\r\nquoted \"a, b\", \" c \"\r\nopen \"unbalanced, x\r\n  blanks   only  ,  \r\n");
  Write("fuzz_conf", "limits",
        "long " + std::string(1100, 'x') + "\r\nmany " + std::string(70, ',') + "\nlf\nend\x1A" + "after\r\n");
}

void KeyMaps() {
  const char* keys[][2] = {{"C-B", "HideBorder"}, {"A-F4", "Exit"},       {"SC-X", "ZoomIn"}, {"Num+", "zoomin"},
                           {"C-", "Exit"},        {"Space", "NextImage"}, {"F12", "nothing"}, {"x", "FitWindow"}};
  for (const auto& key : keys)
    Write("fuzz_keys", std::string("key_") + key[1] + "_" + key[0], std::string(key[0]) + "\n" + key[1]);
  std::string defaults;
  for (int i = 0; i + 1 < kDefaultKeyMapSize; i += 2)
    defaults += std::string(DefaultKeyMap[i]) + " " + DefaultKeyMap[i + 1] + "\r\n";
  Write("fuzz_keys", "defaults", defaults);
  Write("fuzz_keys", "edited", "# mine\r\nC-B HideBorder\r\n@Include keymap2\r\nA-F4 Exit, extra\r\n\"Q\" ZoomIn\r\n");
}

SpiArchiveEntry Member(const char* folder, const char* name, int32_t size, uint32_t position) {
  SpiArchiveEntry e{};
  std::memcpy(e.Method, "store", 5);
  e.Position = position;
  e.CompressedSize = static_cast<uint32_t>(size);
  e.FileSize = size;
  e.Time = 1600000000;
  std::strncpy(e.Path, folder, sizeof e.Path);
  std::strncpy(e.FileName, name, sizeof e.FileName);
  return e;
}

TBytes Records(const std::vector<SpiArchiveEntry>& records, bool ended) {
  TBytes block(records.size() * sizeof(SpiArchiveEntry) + (ended ? sizeof(SpiArchiveEntry) : 0));
  if (!records.empty()) std::memcpy(block.data(), records.data(), records.size() * sizeof(SpiArchiveEntry));
  return block;
}

void PluginRecords() {
  Write("fuzz_plugin_records", "archive",
        Records({Member("pics/", "", 0, 0), Member("pics/", "a.jpg", 1200, 512), Member("", "b.png", 64, 2048)}, true));
  SpiArchiveEntry full = Member("", "", 9, 0);
  std::memset(full.Path, 'p', sizeof full.Path);
  std::memset(full.FileName, 'n', sizeof full.FileName);
  Write("fuzz_plugin_records", "fullnames", Records({full}, true));
  TBytes cut = Records({Member("", "c.gif", 10, 0), Member("", "d.gif", -5, 1)}, false);
  cut.resize(cut.size() - 100);
  Write("fuzz_plugin_records", "unended", cut);
  Write("fuzz_plugin_records", "catalogue",
        "# mine\r\nC:\\spi\\ifjpeg.spi\r\n\r\n C:\\spi\\lead blank.spi\r\n\\\\server\\spi\\axzip.spi\nlast\x1A"
        "after\r\n");
  Write("fuzz_plugin_records", "folder", "C:\\\x95\\");  // a trail byte that looks like a backslash
  // A plug-in's header block followed by the size of its pixel block.
  TBytes info(sizeof(BitmapInfo) + 8);
  TBytes header;
  for (uint32_t v : {40u, 5u, 3u}) Put32(header, v);
  Put16(header, 1);
  Put16(header, 24);
  std::memcpy(info.data(), header.data(), header.size());
  info[sizeof(BitmapInfo)] = 48;
  Write("fuzz_plugin_records", "pixelblock", info);
}

// Messages of the 32-bit helper's channel as each side writes them, and the
// start of a 32-bit DLL.
void BridgeMessages() {
  TBridgeCall probe;
  probe.Op = TBridgeOp::Probe;
  probe.Name = "C:\\pictures\\a.jpg";
  probe.Header.assign(kBridgeProbeHeader, 'P');
  probe.Returns = {1, 2};
  TBytes bytes(kBridgeRequestArea);
  bytes.resize(EncodeCall(probe, bytes.data(), bytes.size()));
  Write("fuzz_bridge_protocol", "probe", bytes);
  TBridgeAnswer decoded;
  decoded.Op = TBridgeOp::Decode;
  decoded.End = TBridgeEnd::Returned;
  decoded.ColorDepth = 24;
  decoded.Text = "text";
  decoded.Header.assign(40, 'H');
  decoded.Block = 0x44;
  decoded.BlockSize = 48;
  decoded.BlockId = 1;
  bytes.assign(kBridgeReplyArea, 0);
  bytes.resize(EncodeAnswer(decoded, bytes.data(), bytes.size()));
  Write("fuzz_bridge_protocol", "decoded", bytes);
  TBytes dll(512, 0);
  dll[0] = 'M';
  dll[1] = 'Z';
  dll[0x3C] = 0x80;
  std::memcpy(dll.data() + 0x80, "PE\0\0\x4C\x01", 6);
  Write("fuzz_bridge_protocol", "dll", dll);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
    return 2;
  }
  root = argv[1];
  Bitmaps();
  ScaleJobs();
  ConfigurationFiles();
  KeyMaps();
  PluginRecords();
  BridgeMessages();
  return 0;
}
