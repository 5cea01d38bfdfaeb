#include "config/profile.h"

#include "util/names.h"

std::string ProfileFolder;

namespace {

constexpr char kOption[] = "/prof=";

// Where the option would start: after the marker of a marked argument.
size_t OptionAt(const std::string& argument) { return IsWideName(argument) ? 1 : 0; }

bool IsProfileOption(const std::string& argument) {
  return argument.compare(OptionAt(argument), sizeof kOption - 1, kOption) == 0;
}

}  // namespace

std::string ProfileOption(const std::string& firstArgument) {
  if (!IsProfileOption(firstArgument)) return {};
  const size_t value = OptionAt(firstArgument) + sizeof kOption - 1;
  return value < firstArgument.size() ? TailOf(firstArgument, value) : std::string();
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
  std::string picture = argv[1];
  if (IsProfileOption(picture)) picture = argc >= 3 && argv[2] ? argv[2] : std::string();
  // "D:\pics\" in quotes arrives as D:\pics" (a backslash before a quote
  // escapes it); no file name holds a quote, so it is the folder's end.
  if (!picture.empty() && picture.back() == '"') picture.pop_back();
  return picture;
}
