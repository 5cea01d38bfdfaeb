#pragma once
// The picture decoders installed on this system, asked once per process:
// their file name filters and format names for GetPluginInfo, and their
// byte signatures for IsSupported. The bitmap decoder is left out: the
// program reads bitmaps itself.

#include <string>
#include <utility>
#include <vector>

#include "companions/wic/byte_patterns.h"

struct DecoderCatalogue {
  // ("*.png", "PNG pictures"), one pair per decoder.
  std::vector<std::pair<std::string, std::string>> Filters;
  std::vector<BytePattern> Patterns;
};

const DecoderCatalogue& InstalledDecoders();
