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

// Catalogue lines a host of this width never uses: the 32-bit edition cannot
// load 64-bit plug-ins, while the 64-bit edition calls 32-bit ones through
// its helper process, so it skips none.
constexpr const char* kUnusablePluginSuffix = kSpiWide ? nullptr : ".sph";

// Whether path ends in suffix (".spi", ".sph"), ignoring ASCII case as file
// names do.
bool HasPluginSuffix(const std::string& path, const char* suffix);

// The paths of a catalogue file in file order. A line ends at CR (an LF right
// after it belongs to the line end) or at a lone LF, which no path can hold;
// a byte 0x1A ends the file. Empty lines, lines starting with "#" and lines
// naming a file that ends in skippedSuffix (a plug-in of the width no host
// reading this file can load; none when it is null) are skipped; other lines
// are kept whole, blanks included.
std::vector<std::string> ParsePluginList(const std::string& bytes, const char* skippedSuffix);

// The file names a catalogue lists: those of this width (own), then those of
// the 32-bit width that the 64-bit edition calls through its helper
// (bridged), each list in its search order. A plug-in found in both widths
// under one base name is listed once, in this width: it runs in the process.
std::vector<std::string> CatalogueNames(const std::vector<std::string>& own, const std::vector<std::string>& bridged);

// folder + name + CR LF for each name, in the given order.
std::string PluginListText(const std::string& folder, const std::vector<std::string>& names);
