#pragma once
// The texts of the information actions, made from values alone: the two
// columns of the Picture Information dialog, the plug-in list and the About
// box. The Windows layer fills in what only the platform knows (file times,
// plug-in descriptions, the build date) and shows them.

#include <cstdint>
#include <string>
#include <vector>

#include "image/img.h"

// The labels column: one label a line, blank lines where the values have them.
std::string InfoLabelsText();

// The three file times as the dialog shows them, already formatted.
struct TInfoTimes {
  std::string Created;
  std::string Modified;
  std::string Accessed;
};

// The values column, line by line beside the labels: two lines left free for
// the location field, then size, colours, format, file size, the three times,
// the pixel block's size, the decoder and on a line of its own its path.
std::string InfoValuesText(const TImg& img, const TInfoTimes& times);

// "16,777,216 (24 bit)"; from 32 bits on (and for a depth below 0) only the
// part from the blank on.
std::string ColorCountText(int32_t bits);

struct TPluginListEntry {
  std::string Path;
  bool Found = false;  // the DLL loaded and describes itself
  std::string Description;
  bool Bridged = false;  // a 32-bit plug-in the 64-bit edition calls in its helper
};

// "N plugin(s) found.", an empty line, then "path: description" for every
// entry ("(not found)" for one that is not Found; "path (32-bit): ..." for a
// Bridged one), each line ending in CR LF.
std::string PluginListText(const std::vector<TPluginListEntry>& entries);

// The About box: name, version, edition and build date (each left out when
// empty: "Orv 1.0.0 (64-bit, built 2026-12-08)"), the authors, the terms, and
// the profile folder in use.
std::string AboutText(const std::string& version, const std::string& edition, const std::string& buildDate,
                      const std::string& profileFolder);
