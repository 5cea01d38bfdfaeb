// Nearest-neighbour resampling of the held picture into a view-sized DIB.
#pragma once

#include <cstdint>

#include "image/block_alloc.h"
#include "image/dib_types.h"

// trunc(x * scale) with the product rounded to a 64-bit mantissa before the
// truncation, as an extended-precision multiply forms it: at 300 % the double
// nearest 1/3 lies just below it and 3 * scale must truncate to 0, which a
// double product (rounding to 1.0) would not give. Done in integers so that it
// does not depend on the FPU's precision setting. scale must be finite and
// not negative.
int64_t TruncScaledProduct(uint32_t x, double scale);

// Size of the block ScaleDib fills for an output of outW x outH at the
// source's depth: outH rows of the output stride plus eight bytes of slack
// per row. 0 when the output is empty.
uint64_t ScaleDibBlockSize(const BitmapInfo& srcInfo, int32_t outW, int32_t outH);

// Builds the view: outInfo becomes the source header (all 1064 bytes) with
// width outW and height outH, bottom-up; its lowest rows hold the visible part
// of the picture zoomed to zoomW x zoomH, whose top-left corner is scrolled
// to (scrollX, scrollY). Sampling is anchored at the bottom-left corner.
//
// A top-down source (negative biHeight) is sampled as the upright picture it
// shows, so it comes out upright in the bottom-up output; zoomH is then the
// row count zoomed, never negative. Scroll offsets are held inside the zoomed
// picture, sampled positions inside the source, and source rows that srcBits
// (srcBitsSize bytes) does not hold come out black: no input reads outside
// the source block or writes outside the output block.
//
// Returns false, with nothing drawn, when outW or outH is below 1, the
// block is smaller than ScaleDibBlockSize or the column table cannot be had;
// it throws nothing. With a zoomed size below 1 or a
// source that is no picture, no rows are produced. Rows above the zoomed
// picture and bytes beyond the produced columns are left as they were.
bool ScaleDibInto(BitmapInfo& outInfo, uint8_t* outBits, uint64_t outBitsSize, int32_t zoomW,
                  int32_t zoomH, int32_t scrollX, int32_t scrollY, int32_t outW, int32_t outH,
                  const BitmapInfo& srcInfo, const void* srcBits, uint64_t srcBitsSize);

// ScaleDibInto into a new block from alloc, which the caller frees with the
// same allocator after drawing. outBits is null when it returns false (empty
// output or no memory).
bool ScaleDib(BitmapInfo& outInfo, void*& outBits, int32_t zoomW, int32_t zoomH,
              int32_t scrollX, int32_t scrollY, int32_t outW, int32_t outH,
              const BitmapInfo& srcInfo, const void* srcBits, uint64_t srcBitsSize,
              const TBlockAllocator& alloc);
