#include "config/profile.h"

std::string ProfileFolder;

std::string ProfileOption(const std::string& firstArgument) {
  static const char kOption[] = "/prof=";
  if (firstArgument.compare(0, sizeof kOption - 1, kOption) != 0) return {};
  return firstArgument.substr(sizeof kOption - 1);
}

std::string ChooseProfileFolder(const std::string& firstArgument, const std::string& environment,
                                const std::string& programFolder, const std::string& subName, LeadByteTest isLeadByte) {
  const std::string option = ProfileOption(firstArgument);
  if (!option.empty()) return WithTrailingBackslash(option, isLeadByte);
  if (!environment.empty()) return WithTrailingBackslash(environment, isLeadByte) + subName + "\\";
  return programFolder;
}

std::string PictureArgument(int argc, const char* const* argv) {
  if (argc < 2 || !argv[1]) return {};
  std::string first = argv[1];
  if (first.compare(0, 6, "/prof=") == 0) return argc >= 3 && argv[2] ? argv[2] : std::string();
  return first;
}
