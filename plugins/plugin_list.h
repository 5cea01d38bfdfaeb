#pragma once
// The catalogue file's text, both ways, without the platform: the lines a
// folder of plug-ins gives, and the paths a (possibly hand-edited) file holds.

#include <cstdint>
#include <string>
#include <vector>

#include "plugins/spi_records.h"
#include "util/sutil.h"  // WithTrailingBackslash, for the plug-in folder

// The catalogue file in the profile folder. The two widths keep theirs apart,
// so both editions of the program can share a profile folder (and its config
// and keymap).
constexpr const char* kPluginListName = kSpiWide ? "pluginlist64" : "pluginlist";

// Whether path ends in suffix (".spi", ".sph"), ignoring ASCII case as file
// names do.
bool HasPluginSuffix(const std::string& path, const char* suffix);

// The paths of a catalogue file in file order. A line ends at CR (an LF right
// after it belongs to the line end) or at a lone LF, which no path can hold;
// a byte 0x1A ends the file. Empty lines, lines starting with "#" and lines
// naming a file that ends in skippedSuffix (a plug-in of the width no host
// reading this file can load) are skipped; other lines are kept whole,
// blanks included.
std::vector<std::string> ParsePluginList(const std::string& bytes, const char* skippedSuffix);

// folder + name + CR LF for each name, in the given order.
std::string PluginListText(const std::string& folder, const std::vector<std::string>& names);
