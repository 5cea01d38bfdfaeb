// Turning a held picture a quarter right or left, or mirroring it left to
// right, into a new pixel block: every depth the viewer holds uncompressed
// (1, 2, 4, 8 bits with their colour table, 16 and 32 bits with or without
// bit fields, 24 bits), stored bottom-up or top-down.
#pragma once

#include <cstdint>

#include "image/dib_types.h"

enum class TTurn : uint8_t { Right, Left, FlipHorizontal };

// Whether TurnDib takes the picture: uncompressed (or bit fields) at one of
// the depths above, with a width and a row count of at least 1.
bool CanTurnDib(const BitmapInfo& info);

// Bytes of the turned picture's block: its stride times its rows. 0 when
// the picture cannot be turned.
uint64_t TurnedBlockSize(const BitmapInfo& info, TTurn turn);

// outInfo becomes info with width and rows exchanged by a quarter turn (and
// the resolutions with them), stored the same way up, biSizeImage the turned
// block's size; out (outSize bytes, at least TurnedBlockSize) gets the turned
// pixels, row padding zero. Source rows the block (size bytes) does not
// wholly hold come out black (zero). False, with nothing written, when the
// picture cannot be turned or out is too small.
bool TurnDib(const BitmapInfo& info, const void* bits, uint64_t size, TTurn turn, BitmapInfo& outInfo, uint8_t* out,
             uint64_t outSize);
