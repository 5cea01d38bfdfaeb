#pragma once
// Where the per-user files live. The choice itself is pure so it can be tested
// without a command line, an environment or a program file.

#include <string>

#include "util/sutil.h"

// The three rules in order: "/prof=FOLDER" as the first argument, then
// environment folder + subName, then the program's own folder.
// environment is the variable's value, or empty when unset or too long;
// programFolder is the program file's folder with its trailing backslash.
// A folder gets a final backslash unless it ends in one of its own: in a
// double-byte code page a "\" that is a character's second byte is no
// separator.
std::string ChooseProfileFolder(const std::string& firstArgument, const std::string& environment,
                                const std::string& programFolder, const std::string& subName, LeadByteTest isLeadByte);

// The profile option's folder, or empty when firstArgument is not "/prof=" with a value.
std::string ProfileOption(const std::string& firstArgument);

// The picture named on the command line: the first argument, or the second
// when the first is the profile option; a final quote (what a quoted folder
// ending in a backslash leaves) is dropped.
std::string PictureArgument(int argc, const char* const* argv);

// Profile folder, set once at start-up; always ends in a backslash.
extern std::string ProfileFolder;
