#include "config/conf_syntax.h"

#include <cstring>

namespace {

const char kEmpty[] = "";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int32_t SplitLine(const char* line, char* keyBuffer, int32_t keySize, const char** values,
                  int32_t workSize, char* workArea) {
  std::memset(workArea, 0, static_cast<size_t>(workSize));
  const char* p = line;
  while (IsBlank(*p)) ++p;
  const char* keyStart = p;
  while (*p && !IsBlank(*p)) ++p;
  size_t keyLength = static_cast<size_t>(p - keyStart);
  if (keyLength > static_cast<size_t>(keySize - 1)) keyLength = static_cast<size_t>(keySize - 1);
  std::memcpy(keyBuffer, keyStart, keyLength);
  keyBuffer[keyLength] = '\0';

  if (*p == '\0' || p[1] == '\0') return 0;
  ++p;

  // Squeeze out blanks outside quotes; the last byte stays the terminator.
  int32_t n = 0;
  bool quoted = false;
  for (; *p && n < workSize - 1; ++p) {
    if (*p == '"')
      quoted = !quoted;
    else if (!quoted && IsBlank(*p))
      continue;
    workArea[n++] = *p;
  }

  int32_t count = 0;
  char* s = workArea;
  while (count < kConfMaxValues) {
    char* comma;
    if (*s == '"') {
      char* close = std::strchr(s + 1, '"');
      if (!close) break;  // an unclosed quote drops this value and the rest
      *close = '\0';
      values[count++] = s + 1;
      comma = std::strchr(close + 1, ',');
    } else {
      comma = std::strchr(s, ',');
      if (comma) *comma = '\0';
      values[count++] = s;
    }
    if (!comma) break;
    s = comma + 1;
  }
  return count;
}

void AppendConfLines(std::string_view bytes, std::string& content,
                     const std::function<void(const std::string& includeName)>& include) {
  size_t end = bytes.find('\x1A');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);

  char lineBuffer[kConfBufferSize];
  char keyBuffer[kConfBufferSize];
  char workArea[kConfBufferSize];
  const char* values[kConfMaxValues];

  size_t i = 0;
  while (i < bytes.size()) {
    // Files written elsewhere end their lines in a line feed alone; read as
    // one long line, a leading comment would swallow the whole file.
    size_t stop = bytes.find_first_of("\r\n", i);
    if (stop == std::string_view::npos) stop = bytes.size();
    std::string_view line = bytes.substr(i, stop - i);
    i = stop + 1;
    if (stop < bytes.size() && bytes[stop] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;

    if (line.empty() || line[0] == '#') continue;
    size_t copied = line.size() < static_cast<size_t>(kConfMaxLine) ? line.size() : kConfMaxLine;
    std::memcpy(lineBuffer, line.data(), copied);
    lineBuffer[copied] = '\0';
    int32_t count = SplitLine(lineBuffer, keyBuffer, kConfBufferSize, values, kConfBufferSize, workArea);
    if (std::strcmp(keyBuffer, "@Include") == 0) {
      if (count > 0) include(values[0]);
      continue;
    }
    content.append(line);
    content.push_back('\n');
  }
}

TConfLine::TConfLine() : Key(kEmpty) { ResetValues(); }

void TConfLine::ResetValues() {
  for (const char*& value : Values) value = kEmpty;
  Count = 0;
}

TConfFile::TConfFile(std::string content, int32_t error) : Content(std::move(content)), Error(error) {}

bool TConfFile::Next() {
  const int32_t length = static_cast<int32_t>(Content.size());
  if (Error != 0 || Position >= length) return false;

  char lineBuffer[kConfBufferSize];
  int32_t index = Position;  // 0-based index of character number Position + 1
  int32_t copied = 0;
  while (index < length && Content[index] != '\n' && copied < kConfMaxLine)
    lineBuffer[copied++] = Content[index++];
  lineBuffer[copied] = '\0';
  // The rest of an over-long line is dropped rather than read as a line of its own.
  while (index < length && Content[index] != '\n') ++index;
  Position = index < length ? index + 1 : length;

  Line.ResetValues();
  Line.Count = SplitLine(lineBuffer, KeyBuffer, kConfBufferSize, Line.Values, kConfBufferSize, ValueBuffer);
  Line.Key = KeyBuffer;
  return true;
}
