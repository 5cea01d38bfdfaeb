#pragma once
// A sink that keeps nothing but the count, for the fuzz targets.
#include "companions/zip/zip_extract.h"

struct CountingSink final : ByteSink {
  uint64_t Count = 0;
  bool Write(const uint8_t*, size_t size) override {
    Count += size;
    return true;
  }
};
