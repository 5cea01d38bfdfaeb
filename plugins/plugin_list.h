#pragma once
// The catalogue file's text, both ways, without the platform: the lines a
// folder of plug-ins gives, and the paths a (possibly hand-edited) file holds.

#include <cstdint>
#include <string>
#include <vector>

#include "util/sutil.h"  // WithTrailingBackslash, for the plug-in folder

// The paths of a catalogue file in file order. A line ends at CR (an LF right
// after it belongs to the line end) or at a lone LF, which no path can hold;
// a byte 0x1A ends the file. Empty lines and lines starting with "#" are
// skipped; other lines are kept whole, blanks included.
std::vector<std::string> ParsePluginList(const std::string& bytes);

// folder + name + CR LF for each name, in the given order.
std::string PluginListText(const std::string& folder, const std::vector<std::string>& names);
