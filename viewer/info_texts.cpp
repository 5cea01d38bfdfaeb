#include "viewer/info_texts.h"

#include "util/sutil.h"
#include "viewer/texts.h"

namespace {

const char kLine[] = "\r\n";

std::string SizeWithBytes(int32_t size) { return SizeText(size) + " (" + GroupDigits(size) + " bytes)"; }

}  // namespace

std::string InfoLabelsText() {
  return "Location:\r\n\r\nSize:\r\nColors:\r\nFormat:\r\n\r\nFile Size:\r\nCreated:\r\nModified:\r\nAccessed:\r\n\r\n"
         "Memory: \r\nPlug-in:";
}

std::string ColorCountText(int32_t bits) {
  // Counted in 64 bits: 2^31 does not fit the depth's own type.
  std::string count = bits >= 0 && bits < 32 ? GroupDigits(int64_t{1} << bits) : std::string();
  return count + " (" + NumberText(bits) + " bit)";
}

std::string InfoValuesText(const TImg& img, const TInfoTimes& times) {
  std::string text = "\r\n\r\n";
  // The row count: a top-down picture is as tall as one stored bottom-up.
  text += NumberText(img.Width) + "x" + NumberText(ImgRows(img)) + kLine;
  text += ColorCountText(img.ColorBits) + kLine;
  text += img.FormatText + "\r\n\r\n";
  text += SizeWithBytes(img.FileSize) + kLine;
  text += times.Created + kLine + times.Modified + kLine + times.Accessed + "\r\n\r\n";
  text += SizeWithBytes(img.BitsSize) + kLine;
  text += img.PluginDesc + kLine + img.PluginPath;
  return text;
}

std::string PluginListText(const std::vector<TPluginListEntry>& entries) {
  std::string text = NumberText(static_cast<int32_t>(entries.size())) + " plugin(s) found.\r\n\r\n";
  for (const TPluginListEntry& e : entries)
    text += e.Path + (e.Bridged ? " (32-bit): " : ": ") + (e.Found ? e.Description : "(not found)") + kLine;
  return text;
}

std::string AboutText(const std::string& version, const std::string& edition, const std::string& buildDate,
                      const std::string& profileFolder) {
  std::string facts = edition;
  if (!buildDate.empty()) facts += (facts.empty() ? "built " : ", built ") + buildDate;
  std::string text = "Orv " + version;
  if (!facts.empty()) text += " (" + facts + ")";
  text += "\r\n\r\n";
  text += "Written by the Orv developers.\r\n\r\n";
  text += "Orv may be used freely, for any purpose.\r\n";
  text += "It may be copied and redistributed freely.\r\n\r\n";
  text += "Profile folder: " + profileFolder;
  return text;
}
