// Times smooth shrinking natively (the resampler is pure code): the first
// paint of a 6000 x 4000 picture in a 1920 x 1080 view, at 50 %, 37 % and
// fitted, made as the painter makes it (averaged tiles, copied into the
// view), against a memcpy of the whole source picture and against Pillow's
// box-filter resize (Image.BOX) of the same picture and part of it, at 24,
// 32 and 8 bits, and a picture with alpha. Then scroll steps of 16 pixels
// at 50 % with smoothing on (from the kept tiles) and off (the
// nearest-neighbour view made afresh, as every paint makes it).
//
// Usage: bench_area [PYTHON PILLOW_SCRIPT]; without them Pillow is skipped.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_noise.h"
#include "image/area_scale.h"
#include "image/pixel_rows.h"
#include "image/scale_dib.h"
#include "image/shrink_cache.h"

namespace {

constexpr int32_t kSrcW = 6000, kSrcH = 4000, kViewW = 1920, kViewH = 1080, kRuns = 9;
constexpr int32_t kScrollStep = 16, kScrollSteps = 60;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The fastest of runs calls, after one that warms up: on a machine shared
// with other work the fastest is what repeats from one run to the next, for
// this program and for Pillow alike.
double FastestMs(int runs, const std::function<void()>& work) {
  work();
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double start = NowMs();
    work();
    best = std::min(best, NowMs() - start);
  }
  return best;
}

struct TPicture {
  const char* Name;
  BitmapInfo Info{};
  std::vector<uint8_t> Bits;
  bool Alpha = false;
  const char* PillowMode;
  std::vector<uint8_t> PillowBytes;  // the same pixels as Pillow holds them
};

TPicture MakePicture(const char* name, int bpp, bool alpha) {
  TPicture p{name, {}, {}, alpha, bpp == 32 ? (alpha ? "RGBA" : "RGBX") : "RGB", {}};
  p.Info.bmiHeader = {40, kSrcW, kSrcH, 1, static_cast<uint16_t>(bpp), kBiRgb, 0, 0, 0, 0, 0};
  for (int i = 0; i < 256; ++i) p.Info.bmiColors[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
  p.Bits.resize(static_cast<size_t>(DibStride(kSrcW, bpp) * kSrcH));
  FillNoise(p.Bits);
  if (bpp == 32 && !alpha)
    for (size_t i = 3; i < p.Bits.size(); i += 4) p.Bits[i] = 0;
  if (bpp == 8) {
    // Pillow cannot average colour-table indices: it is given the colours.
    p.PillowBytes.resize(static_cast<size_t>(kSrcW) * kSrcH * 3);
    for (size_t i = 0; i < p.Bits.size(); ++i) std::memcpy(&p.PillowBytes[3 * i], &p.Info.bmiColors[p.Bits[i]], 3);
  } else {
    p.PillowBytes = p.Bits;  // rows without padding; their order costs nothing
  }
  return p;
}

struct TZoom {
  const char* Name;
  int32_t ZoomW, ZoomH;
};

// Pillow's medians for each zoom's shown part, from the script; NaN where
// it could not be run.
std::vector<double> PillowTimes(const std::string& python, const std::string& script, const TPicture& p,
                                const std::vector<TZoom>& zooms) {
  std::vector<double> times(zooms.size(), NAN);
  if (python.empty()) return times;
  const std::string raw = "/tmp/bench_area_" + std::to_string(p.Info.bmiHeader.biBitCount) + ".raw";
  FILE* f = std::fopen(raw.c_str(), "wb");
  if (!f) return times;
  std::fwrite(p.PillowBytes.data(), 1, p.PillowBytes.size(), f);
  std::fclose(f);
  std::string command = python + " " + script + " " + raw + " " + std::to_string(kSrcW) + " " + std::to_string(kSrcH) +
                        " " + p.PillowMode;
  for (const TZoom& z : zooms) {
    const int32_t w = std::min(kViewW, z.ZoomW), h = std::min(kViewH, z.ZoomH);
    char job[96];
    std::snprintf(job, sizeof job, " %d,%d,%.4f,%.4f", w, h, double(w) * kSrcW / z.ZoomW, double(h) * kSrcH / z.ZoomH);
    command += job;
  }
  if (FILE* out = popen(command.c_str(), "r")) {
    for (double& t : times)
      if (std::fscanf(out, "%lf", &t) != 1) break;
    pclose(out);
  }
  std::remove(raw.c_str());
  return times;
}

void FirstPaints(const TPicture& p, const std::vector<TZoom>& zooms, const std::vector<double>& pillow,
                 double memcpyMs) {
  const int bytes = AreaPixelBytes(p.Info);
  std::vector<uint8_t> view(static_cast<size_t>(kViewW) * kViewH * 4);
  for (size_t i = 0; i < zooms.size(); ++i) {
    const TZoom& z = zooms[i];
    const TZoomRect rect{0, 0, std::min(kViewW, z.ZoomW), std::min(kViewH, z.ZoomH)};
    const TShrinkView shrink{{&p.Info, p.Bits.data(), p.Bits.size(), p.Alpha}, 1, z.ZoomW, z.ZoomH, {}};
    const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(kViewW, bytes * 8));
    // The view block is bottom-up, as the painter's.
    const double first = FastestMs(kRuns, [&] {
      TShrinkCache cache;
      if (!cache.Fill(shrink, rect, view.data() + (rect.Height - 1) * stride, -stride)) std::printf("Fill failed\n");
    });
    const double ratio = first / memcpyMs;
    std::printf("  %-4s first paint %7.2f ms  %5.2fx memcpy (goal <= 2.5: %s)", z.Name, first, ratio,
                ratio <= 2.5 ? "met" : "NOT met");
    if (std::isnan(pillow[i]))
      std::printf("  Pillow BOX n/a\n");
    else
      std::printf("  Pillow BOX %7.2f ms  %5.1fx faster (goal >= 5: %s)\n", pillow[i], pillow[i] / first,
                  pillow[i] / first >= 5 ? "met" : "NOT met");
  }
}

// The mean cost of a scroll step: the first pass averages the tiles that
// scroll into view, later passes only copy.
void ScrollSteps(const TPicture& p) {
  const int32_t zoomW = kSrcW / 2, zoomH = kSrcH / 2;
  BitmapInfo out;
  std::vector<uint8_t> nn(static_cast<size_t>(ScaleDibBlockSize(p.Info, kViewW, kViewH)));
  const double off = FastestMs(3, [&] {
    for (int s = 0; s < kScrollSteps; ++s)
      ScaleDibInto(out, nn.data(), nn.size(), zoomW, zoomH, 0, s * kScrollStep, kViewW, kViewH, p.Info, p.Bits.data(),
                   p.Bits.size());
  }) / kScrollSteps;

  const int bytes = AreaPixelBytes(p.Info);
  const ptrdiff_t stride = static_cast<ptrdiff_t>(DibStride(kViewW, bytes * 8));
  std::vector<uint8_t> view(static_cast<size_t>(stride) * kViewH);
  const TShrinkView shrink{{&p.Info, p.Bits.data(), p.Bits.size(), p.Alpha}, 1, zoomW, zoomH, {}};
  auto pass = [&](TShrinkCache& cache) {
    for (int s = 1; s <= kScrollSteps; ++s)
      cache.Fill(shrink, {0, s * kScrollStep, kViewW, kViewH}, view.data() + (kViewH - 1) * stride, -stride);
  };
  double on = 1e30, kept = 0;
  for (int run = 0; run < 3; ++run) {
    TShrinkCache cache;
    cache.Fill(shrink, {0, 0, kViewW, kViewH}, view.data() + (kViewH - 1) * stride, -stride);  // the first paint
    const double start = NowMs();
    pass(cache);
    on = std::min(on, (NowMs() - start) / kScrollSteps);
    kept = FastestMs(3, [&] { pass(cache); }) / kScrollSteps;
  }
  std::printf("  scroll step at 50 %%: smoothing off %.3f ms, on %.3f ms (%.3f ms once all tiles are kept): %s\n", off,
              on, kept, on <= off ? "no more than off" : "MORE than off");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string python = argc > 2 ? argv[1] : "", script = argc > 2 ? argv[2] : "";
  std::printf("%d x %d picture, %d x %d view, fastest of %d runs; kernels: %s\n", kSrcW, kSrcH, kViewW, kViewH, kRuns,
              &ChosenAreaKernels() == &PlainAreaKernels() ? "plain" : "SSE2");
  // Fitted as stretch mode fits it: 1620 x 1080.
  const std::vector<TZoom> zooms = {{"50%", kSrcW / 2, kSrcH / 2},
                                    {"37%", kSrcW * 37 / 100, kSrcH * 37 / 100},
                                    {"fit", kSrcW * kViewH / kSrcH, kViewH}};
  struct TDepth {
    const char* Name;
    int Bpp;
    bool Alpha;
  };
  for (const TDepth& d : {TDepth{"24-bit", 24, false}, TDepth{"32-bit", 32, false}, TDepth{"8-bit", 8, false},
                          TDepth{"32-bit with alpha", 32, true}}) {
    const TPicture p = MakePicture(d.Name, d.Bpp, d.Alpha);
    std::vector<uint8_t> copy(p.Bits.size());
    const double memcpyMs = FastestMs(kRuns, [&] {
      std::memcpy(copy.data(), p.Bits.data(), copy.size());
      volatile uint8_t sink = copy[copy.size() / 2];
      (void)sink;
    });
    std::printf("%s (%s): memcpy of the whole picture (%.0f MB) %.2f ms\n", d.Name, p.PillowMode,
                static_cast<double>(p.Bits.size()) / 1e6, memcpyMs);
    FirstPaints(p, zooms, PillowTimes(python, script, p, zooms), memcpyMs);
    if (!d.Alpha) ScrollSteps(p);
  }
  return 0;
}
