// The two inner loops of area averaging, in a plain version and an SSE2
// version with the same signatures. The plain one is the reference: both
// do the same operations in the same order, so on a processor that computes
// floats in single precision they give the same bytes. Which one runs is
// decided once; tests call each by name.
#pragma once

#include <cstdint>

// One shown column: its source pixels First .. First + Count - 1 (counted
// from the start of the summed span), the first weighted FirstWeight, the
// last LastWeight, those between InnerWeight. A single pixel takes
// FirstWeight alone.
struct TColumnTap {
  int32_t First;
  int32_t Count;
  float FirstWeight;
  float InnerWeight;
  float LastWeight;
};

// sums[i] = sum over t of weights[t] * rows[t][i] for i below bytes, added
// to what sums holds when add is set. Each weight is below 32768, the
// weights of one call add up to less than 2^23, and every row holds at least
// bytes bytes; with no rows sums becomes zero (or stays, when adding).
using TVerticalKernel = void (*)(const uint8_t* const* rows, const int32_t* weights, int32_t taps, int32_t bytes,
                                 int32_t* sums, bool add);

// Averages the column sums of one row across: for each of count columns,
// channels (3 or 4) values, each the weighted sum of its taps times
// rowScale, rounded (halves up) and held in 0 .. 255, written as channels
// bytes per pixel. sums must hold one value more than the last tap reaches.
// The inner taps are added in blocks of kInnerBlock, so that a column of a
// million pixels keeps the precision of a float sum of a thousand.
constexpr int32_t kInnerBlock = 256;
using THorizontalKernel = void (*)(const int32_t* sums, const TColumnTap* taps, int32_t count, int32_t channels,
                                   float rowScale, uint8_t* out);

struct TAreaKernels {
  TVerticalKernel Vertical;
  THorizontalKernel Horizontal;
};

const TAreaKernels& PlainAreaKernels();
// Null where this build has no SSE2 version (a compiler for another processor).
const TAreaKernels* Sse2AreaKernels();
// The SSE2 kernels where built (every processor either edition runs on has
// SSE2), else the plain ones; chosen on the first call.
const TAreaKernels& ChosenAreaKernels();
