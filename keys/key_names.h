#pragma once
// The record shared by the command table and the key-name table, the names a
// key map may use for keys that are no single character, and the accelerator
// flags. Plain constants: key_table_win.cpp checks them against the platform's.

#include <cstdint>

struct TCmd {
  const char* Name;
  const char* Caption;  // menu caption; "&" marks the mnemonic letter
  int32_t Id;           // command id, or the virtual-key code in KeyNames
};

// In a list of menu ids, a separator.
constexpr int32_t kMenuSeparator = -1;

// Accelerator flags, as the platform's ACCEL.fVirt carries them.
constexpr uint8_t kAccelVirtKey = 1;
constexpr uint8_t kAccelShift = 4;
constexpr uint8_t kAccelControl = 8;
constexpr uint8_t kAccelAlt = 16;

constexpr int32_t kKeyNameCount = 42;

// Virtual-key codes of the keys that are no single character; searched in
// this order, from name to code when parsing and from code to name for menus.
inline constexpr TCmd KeyNames[kKeyNameCount] = {
    {"BS", "", 8},     {"Tab", "", 9},    {"Enter", "", 13}, {"Esc", "", 27},   {"Space", "", 32}, {"PgUp", "", 33},
    {"PgDn", "", 34},  {"End", "", 35},   {"Home", "", 36},  {"Left", "", 37},  {"Up", "", 38},    {"Right", "", 39},
    {"Down", "", 40},  {"Ins", "", 45},   {"Del", "", 46},   {"Num0", "", 96},  {"Num1", "", 97},  {"Num2", "", 98},
    {"Num3", "", 99},  {"Num4", "", 100}, {"Num5", "", 101}, {"Num6", "", 102}, {"Num7", "", 103}, {"Num8", "", 104},
    {"Num9", "", 105}, {"Num*", "", 106}, {"Num+", "", 107}, {"Num-", "", 109}, {"Num.", "", 110}, {"Num/", "", 111},
    {"F1", "", 112},   {"F2", "", 113},   {"F3", "", 114},   {"F4", "", 115},   {"F5", "", 116},   {"F6", "", 117},
    {"F7", "", 118},   {"F8", "", 119},   {"F9", "", 120},   {"F10", "", 121},  {"F11", "", 122},  {"F12", "", 123},
};
