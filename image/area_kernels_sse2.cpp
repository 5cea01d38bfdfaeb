// The SSE2 versions of the area-averaging loops. Built with SSE2 enabled for
// this file alone where the compiler does not assume it (32-bit x86).
#include "image/area_kernels.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#include <xmmintrin.h>

#include <cstring>

namespace {

// Sixteen bytes of two rows at once: bytes interleaved row by row, widened
// to 16 bits, each pair multiplied by its two weights and added in one step.
inline void AddPair(const uint8_t* p, const uint8_t* q, __m128i w, __m128i (&acc)[4]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
  const __m128i lo = _mm_unpacklo_epi8(a, b), hi = _mm_unpackhi_epi8(a, b);
  acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
  acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
  acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
  acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
}

// One row alone: widened against zero bytes, which its second weight meets.
inline void AddOne(const uint8_t* p, __m128i w, __m128i (&acc)[4]) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_unpacklo_epi8(a, zero), hi = _mm_unpackhi_epi8(a, zero);
  acc[0] = _mm_add_epi32(acc[0], _mm_madd_epi16(_mm_unpacklo_epi16(lo, zero), w));
  acc[1] = _mm_add_epi32(acc[1], _mm_madd_epi16(_mm_unpackhi_epi16(lo, zero), w));
  acc[2] = _mm_add_epi32(acc[2], _mm_madd_epi16(_mm_unpacklo_epi16(hi, zero), w));
  acc[3] = _mm_add_epi32(acc[3], _mm_madd_epi16(_mm_unpackhi_epi16(hi, zero), w));
}

inline __m128i WeightPair(int32_t a, int32_t b) {
  return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(a) | static_cast<uint32_t>(b) << 16));
}

constexpr int32_t kMaxTaps = 16;  // rows in one call; more are taken in turns
constexpr int32_t kPrefetch = 1024;  // bytes ahead in each row

void Sse2Vertical(const uint8_t* const* rows, const int32_t* weights, int32_t taps, int32_t bytes, int32_t* sums,
                  bool add) {
  if (taps > kMaxTaps) {
    Sse2Vertical(rows, weights, kMaxTaps, bytes, sums, add);
    Sse2Vertical(rows + kMaxTaps, weights + kMaxTaps, taps - kMaxTaps, bytes, sums, true);
    return;
  }
  __m128i w[kMaxTaps / 2 + 1];
  const int32_t pairs = taps / 2;
  for (int32_t t = 0; t < pairs; ++t) w[t] = WeightPair(weights[2 * t], weights[2 * t + 1]);
  if (taps % 2) w[pairs] = WeightPair(weights[taps - 1], 0);
  int32_t i = 0;
  for (; i + 16 <= bytes; i += 16) {
    __m128i acc[4];
    for (int k = 0; k < 4; ++k)
      acc[k] = add ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + i + 4 * k)) : _mm_setzero_si128();
    // The rows are read side by side, more of them than the processor's own
    // look-ahead follows well.
    if ((i & 63) == 0 && i + kPrefetch < bytes)
      for (int32_t t = 0; t < taps; ++t) _mm_prefetch(reinterpret_cast<const char*>(rows[t] + i + kPrefetch), _MM_HINT_T0);
    for (int32_t t = 0; t < pairs; ++t) AddPair(rows[2 * t] + i, rows[2 * t + 1] + i, w[t], acc);
    if (taps % 2) AddOne(rows[taps - 1] + i, w[pairs], acc);
    for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 4 * k), acc[k]);
  }
  // The last bytes one by one: a row may end where the picture's block does.
  for (; i < bytes; ++i) {
    uint32_t sum = add ? static_cast<uint32_t>(sums[i]) : 0;
    for (int32_t t = 0; t < taps; ++t) sum += static_cast<uint32_t>(weights[t]) * rows[t][i];
    sums[i] = static_cast<int32_t>(sum);
  }
}

inline __m128 Load4(const int32_t* v) {
  return _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)));
}

// The inner taps of a column in the plain kernel's order: one block while
// they number no more than kInnerBlock, where adding the block to zero
// changes nothing. The usual few are spelt out.
template <int Channels>
inline __m128 InnerSum(const int32_t* v, int32_t count) {
  switch (count) {
    case 0:
      return _mm_setzero_ps();
    case 1:
      return _mm_add_ps(_mm_setzero_ps(), Load4(v));
    case 2:
      return _mm_add_ps(_mm_add_ps(_mm_setzero_ps(), Load4(v)), Load4(v + Channels));
    case 3:
      return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_setzero_ps(), Load4(v)), Load4(v + Channels)),
                        Load4(v + 2 * Channels));
    default:
      break;
  }
  __m128 inner = _mm_setzero_ps();
  for (int32_t k = 0; k < count;) {
    const int32_t end = k + kInnerBlock < count ? k + kInnerBlock : count;
    __m128 block = _mm_setzero_ps();
    for (; k < end; ++k) block = _mm_add_ps(block, Load4(v + static_cast<int64_t>(k) * Channels));
    inner = _mm_add_ps(inner, block);
  }
  return inner;
}

// Every channel of a pixel in one lane each; with three channels the fourth
// lane reads the next pixel's first value and is dropped.
template <int Channels>
void HorizontalOf(const int32_t* sums, const TColumnTap* taps, int32_t count, float rowScale, uint8_t* out) {
  const __m128 half = _mm_set1_ps(0.5f), scale = _mm_set1_ps(rowScale);
  for (int32_t x = 0; x < count; ++x) {
    const TColumnTap& tap = taps[x];
    const int32_t* v = sums + static_cast<int64_t>(tap.First) * Channels;
    __m128 acc = _mm_mul_ps(Load4(v), _mm_set1_ps(tap.FirstWeight));
    if (tap.Count > 1) {
      const __m128 inner = InnerSum<Channels>(v + Channels, tap.Count - 2);
      acc = _mm_add_ps(acc, _mm_mul_ps(inner, _mm_set1_ps(tap.InnerWeight)));
      acc = _mm_add_ps(acc, _mm_mul_ps(Load4(v + static_cast<int64_t>(tap.Count - 1) * Channels),
                                       _mm_set1_ps(tap.LastWeight)));
    }
    // Below 0 and above 255 the packs saturate, as the plain kernel holds them.
    __m128i bytes = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(acc, scale), half));
    bytes = _mm_packs_epi32(bytes, bytes);
    const uint32_t pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
    // Three channels are stored as four bytes, the next pixel overwriting
    // the fourth, save the last.
    std::memcpy(out, &pixel, Channels == 4 || x + 1 < count ? 4 : 3);
    out += Channels;
  }
}

void Sse2Horizontal(const int32_t* sums, const TColumnTap* taps, int32_t count, int32_t channels, float rowScale,
                    uint8_t* out) {
  if (channels == 4)
    HorizontalOf<4>(sums, taps, count, rowScale, out);
  else
    HorizontalOf<3>(sums, taps, count, rowScale, out);
}

}  // namespace

const TAreaKernels* Sse2AreaKernels() {
  static const TAreaKernels kernels{Sse2Vertical, Sse2Horizontal};
  return &kernels;
}

#else

const TAreaKernels* Sse2AreaKernels() { return nullptr; }

#endif
