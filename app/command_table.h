#pragma once
// The commands that keys and menu items invoke, their WM_COMMAND ids, the
// default key map and the layout of the right-click menu. Constant tables,
// never changed; the key table keeps a reference to CommandTable.

#include <cstdint>

#include "keys/key_names.h"

// Command ids (16 bits in menus and accelerators).
constexpr int32_t kCmdFitWindow = 1;
constexpr int32_t kCmdZoomIn = 2;
constexpr int32_t kCmdZoomOut = 3;
constexpr int32_t kCmdPicInfo = 4;
constexpr int32_t kCmdWallpaperNormal = 5;  // menu only, no command name
constexpr int32_t kCmdWallpaperTile = 6;    // menu only, no command name
constexpr int32_t kCmdStayOnTop = 7;
constexpr int32_t kCmdAbout = 8;
constexpr int32_t kCmdFullScreen = 9;
constexpr int32_t kCmdStretchMode = 10;
constexpr int32_t kCmdPrevImage = 20;
constexpr int32_t kCmdNextImage = 21;
constexpr int32_t kCmdSmoothZoomIn = 22;
constexpr int32_t kCmdSmoothZoomOut = 23;
constexpr int32_t kCmdPluginList = 24;
constexpr int32_t kCmdHideBorder = 25;
constexpr int32_t kCmdRefreshFileList = 26;
constexpr int32_t kCmdPrevFile = 27;
constexpr int32_t kCmdNextFile = 28;
constexpr int32_t kCmdScrollTop = 29;
constexpr int32_t kCmdScrollBottom = 30;
constexpr int32_t kCmdScrollTopBottom = 31;
constexpr int32_t kCmdScrollUp = 32;
constexpr int32_t kCmdScrollDown = 33;
constexpr int32_t kCmdScrollLeft = 34;
constexpr int32_t kCmdScrollRight = 35;
constexpr int32_t kCmdSmoothing = 36;
constexpr int32_t kCmdRotateRight = 37;
constexpr int32_t kCmdRotateLeft = 38;
constexpr int32_t kCmdFlipHorizontal = 39;
constexpr int32_t kCmdExit = 99;

// Every id of this range zooms to (id - kZoomIdFirst) percent.
constexpr int32_t kZoomIdFirst = 1000;
constexpr int32_t kZoomIdLast = 1999;
constexpr int32_t ZoomCommandId(int32_t percent) { return kZoomIdFirst + percent; }

// Id kPluginSettingsIdFirst + i opens the settings of catalogue entry i.
constexpr int32_t kPluginSettingsIdFirst = 4000;
constexpr int32_t kPluginSettingsIdLast = 4999;

constexpr int32_t kCommandCount = 36;
// Names are matched in this order, without regard to case.
inline constexpr TCmd CommandTable[kCommandCount] = {
    {"FitWindow", "&Fit Window", kCmdFitWindow},
    {"ZoomIn", "Zoom In (&+)", kCmdZoomIn},
    {"ZoomOut", "Zoom Out (&-)", kCmdZoomOut},
    {"SmoothZoomIn", "Smooth Zoom In", kCmdSmoothZoomIn},
    {"SmoothZoomOut", "Smooth Zoom Out", kCmdSmoothZoomOut},
    {"PicInfo", "Picture &Information", kCmdPicInfo},
    {"FullScreen", "Full &Screen", kCmdFullScreen},
    {"StretchMode", "&Stretch Mode", kCmdStretchMode},
    {"Smoothing", "S&moothing", kCmdSmoothing},
    {"RotateRight", "Rotate &Right", kCmdRotateRight},
    {"RotateLeft", "Rotate &Left", kCmdRotateLeft},
    {"FlipHorizontal", "Flip &Horizontal", kCmdFlipHorizontal},
    {"HideBorder", "Hide &Border", kCmdHideBorder},
    {"StayOnTop", "Stay &On Top", kCmdStayOnTop},
    {"Zoom50", "Zoom &50%", ZoomCommandId(50)},
    {"Zoom100", "Zoom &100%", ZoomCommandId(100)},
    {"Zoom150", "Zoom 150%(&Q)", ZoomCommandId(150)},
    {"Zoom200", "Zoom &200%", ZoomCommandId(200)},
    {"Zoom300", "Zoom &300%", ZoomCommandId(300)},
    {"Zoom400", "Zoom &400%", ZoomCommandId(400)},
    {"Zoom800", "Zoom &800%", ZoomCommandId(800)},
    {"NextImage", "&Next Image", kCmdNextImage},
    {"PrevImage", "&Previous Image", kCmdPrevImage},
    {"NextFile", "N&ext File", kCmdNextFile},
    {"PrevFile", "P&revious File", kCmdPrevFile},
    {"RefreshFileList", "Reload FileList", kCmdRefreshFileList},
    {"ScrollTop", "Scroll Top", kCmdScrollTop},
    {"ScrollBottom", "Scroll Bottom", kCmdScrollBottom},
    {"ScrollTopBottom", "Scroll Top/Bottom", kCmdScrollTopBottom},
    {"ScrollUp", "Scroll Up", kCmdScrollUp},
    {"ScrollDown", "Scroll Down", kCmdScrollDown},
    {"ScrollLeft", "Scroll Left", kCmdScrollLeft},
    {"ScrollRight", "Scroll Right", kCmdScrollRight},
    {"PluginList", "Plugin &List", kCmdPluginList},
    {"About", "&About", kCmdAbout},
    {"Exit", "E&xit", kCmdExit},
};

// Pairs of (key text, command name), used when the keymap file gives none.
constexpr int32_t kDefaultKeyMapSize = 88;
inline constexpr const char* DefaultKeyMap[kDefaultKeyMapSize] = {
    "Enter", "FullScreen",      "Esc",  "Exit",          "Space", "ScrollTopBottom",
    "PgUp",  "ZoomIn",          "PgDn", "ZoomOut",       "End",   "ScrollBottom",
    "Home",  "ScrollTop",       "Left", "ScrollLeft",    "Up",    "ScrollUp",
    "Right", "ScrollRight",     "Down", "ScrollDown",    "Num1",  "Zoom100",
    "Num2",  "Zoom200",         "Num3", "Zoom300",       "Num4",  "Zoom400",
    "Num5",  "Zoom50",          "Num8", "Zoom800",       "1",     "Zoom100",
    "2",     "Zoom200",         "3",    "Zoom300",       "4",     "Zoom400",
    "5",     "Zoom50",          "8",    "Zoom800",       "B",     "PrevImage",
    "S-B",   "PrevFile",        "C-B",  "HideBorder",    "N",     "NextImage",
    "S-N",   "NextFile",        "F",    "FitWindow",     "I",     "PicInfo",
    "P",     "PrevImage",       "C-P",  "PluginList",    "Q",     "Zoom150",
    "C-R",   "RefreshFileList", "S",    "StretchMode",   "T",     "StayOnTop",
    "X",     "ZoomOut",         "S-X",  "SmoothZoomOut", "Z",     "ZoomIn",
    "S-Z",   "SmoothZoomIn",    "A",    "Smoothing",     "R",     "RotateRight",
    "L",     "RotateLeft",      "H",    "FlipHorizontal",
};

// The right-click menu, top to bottom; the menu builder inserts the wallpaper
// and plug-in submenus around PicInfo and About.
constexpr int32_t kPopupLayoutSize = 30;
inline constexpr int32_t PopupLayout[kPopupLayoutSize] = {
    kCmdPrevImage,      kCmdNextImage,      kCmdPrevFile,       kCmdNextFile,       kMenuSeparator,
    kCmdFitWindow,      kCmdStretchMode,    kMenuSeparator,     kCmdSmoothing,      kCmdRotateRight,
    kCmdRotateLeft,     kCmdFlipHorizontal, kMenuSeparator,     kCmdZoomIn,         kCmdZoomOut,
    ZoomCommandId(50),  ZoomCommandId(100), ZoomCommandId(150), ZoomCommandId(200), ZoomCommandId(300),
    ZoomCommandId(400), kMenuSeparator,     kCmdFullScreen,     kCmdStayOnTop,      kCmdHideBorder,
    kMenuSeparator,     kCmdPicInfo,        kMenuSeparator,     kCmdAbout,          kCmdExit,
};
