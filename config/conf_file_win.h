#pragma once
#include <cstdint>
#include <string>

// Appends the accepted lines of fileName, includes expanded in place, to
// content. Returns 0 or the I/O error code of opening the file.
int32_t ReadConfFile(const std::string& fileName, std::string& content, int32_t depth = 0);

// The profile folder for this process (see ChooseProfileFolder), given its
// first command-line argument.
std::string GetProfileFolder(const std::string& subName, const std::string& firstArgument);
