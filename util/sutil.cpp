#include "util/sutil.h"

std::string NumberText(int32_t value) { return std::to_string(value); }
