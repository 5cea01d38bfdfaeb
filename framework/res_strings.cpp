#include "framework/res_strings.h"

std::string LoadResString(UINT id) {
  char buffer[1024];
  int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}
