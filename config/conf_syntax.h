#pragma once
// The line-oriented syntax shared by config and keymap: a key, then
// comma-separated values; blanks outside double quotes do not count.
// Nothing here touches files, so it is tested and fuzzed on bare text.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

constexpr int32_t kConfMaxValues = 64;
constexpr int32_t kConfBufferSize = 1024;  // key, values and line buffers
constexpr int32_t kConfMaxLine = kConfBufferSize - 1;
// Include chains deeper than this are cut, so a file that includes itself ends.
constexpr int32_t kConfMaxIncludeDepth = 16;

// Splits line into its key (at most keySize - 1 characters) and up to
// kConfMaxValues values, which point into workArea. Returns the value count.
int32_t SplitLine(const char* line, char* keyBuffer, int32_t keySize, const char** values,
                  int32_t workSize, char* workArea);

// Appends the accepted lines of one file's bytes to content, each followed by
// a line feed. A line ends at CR LF, CR or LF alike; byte 26 ends the file;
// empty lines and "#" lines are skipped.
// include is called with the name of each "@Include" line that has a value.
void AppendConfLines(std::string_view bytes, std::string& content,
                     const std::function<void(const std::string& includeName)>& include);

class TConfLine {
public:
  TConfLine();
  void ResetValues();

  const char* Key;
  const char* Values[kConfMaxValues];
  int32_t Count = 0;
};

class TConfFile {
public:
  // Reads fileName and its includes; a missing file just yields no lines.
  explicit TConfFile(const std::string& fileName);
  // A reader over text already gathered, with the status of gathering it.
  TConfFile(std::string content, int32_t error);
  TConfFile(const TConfFile&) = delete;
  TConfFile& operator=(const TConfFile&) = delete;

  // Parses the next line into Line; false when there is none or Error is set.
  bool Next();

  char KeyBuffer[kConfBufferSize] = {};
  char ValueBuffer[kConfBufferSize] = {};
  std::string Content;
  int32_t Position = 0;
  int32_t Error = 0;
  TConfLine Line;
};
