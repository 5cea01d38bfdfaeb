#include "image/area_kernels.h"

#include <algorithm>

namespace {

void PlainVertical(const uint8_t* const* rows, const int32_t* weights, int32_t taps, int32_t bytes, int32_t* sums,
                   bool add) {
  for (int32_t i = 0; i < bytes; ++i) {
    // Unsigned, as the vector lanes wrap: the weights' bound keeps it exact.
    uint32_t sum = add ? static_cast<uint32_t>(sums[i]) : 0;
    for (int32_t t = 0; t < taps; ++t) sum += static_cast<uint32_t>(weights[t]) * rows[t][i];
    sums[i] = static_cast<int32_t>(sum);
  }
}

// The order of the float operations is the SSE2 kernel's, lane by lane.
uint8_t AverageChannel(const int32_t* v, const TColumnTap& tap, int32_t channels, float rowScale) {
  float acc = static_cast<float>(v[0]) * tap.FirstWeight;
  if (tap.Count > 1) {
    float inner = 0.0f;
    for (int32_t k = 1; k < tap.Count - 1;) {
      const int32_t end = std::min(k + kInnerBlock, tap.Count - 1);
      float block = 0.0f;
      for (; k < end; ++k) block = block + static_cast<float>(v[static_cast<int64_t>(k) * channels]);
      inner = inner + block;
    }
    acc = acc + inner * tap.InnerWeight;
    acc = acc + static_cast<float>(v[static_cast<int64_t>(tap.Count - 1) * channels]) * tap.LastWeight;
  }
  const float value = acc * rowScale + 0.5f;
  if (!(value > 0.0f)) return 0;
  return static_cast<uint8_t>(std::min(value, 255.0f));
}

void PlainHorizontal(const int32_t* sums, const TColumnTap* taps, int32_t count, int32_t channels, float rowScale,
                     uint8_t* out) {
  for (int32_t x = 0; x < count; ++x) {
    const int32_t* v = sums + static_cast<int64_t>(taps[x].First) * channels;
    for (int32_t c = 0; c < channels; ++c) out[c] = AverageChannel(v + c, taps[x], channels, rowScale);
    out += channels;
  }
}

}  // namespace

const TAreaKernels& PlainAreaKernels() {
  static const TAreaKernels kernels{PlainVertical, PlainHorizontal};
  return kernels;
}

const TAreaKernels& ChosenAreaKernels() {
  static const TAreaKernels& chosen = Sse2AreaKernels() ? *Sse2AreaKernels() : PlainAreaKernels();
  return chosen;
}
