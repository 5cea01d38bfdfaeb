#pragma once
// The view state of the process: which part of the displayed picture is at
// the view's top-left corner, and whether the picture is stretched to the
// window instead of zoomed. The zoom itself and the displayed size live in
// Img.

#include <cstdint>

#include "image/alpha_composite.h"

// Offsets in displayed (zoomed) pixels of the column at the view's left edge
// and of the row, counted from the picture's top, at its top edge.
extern int32_t ScrollX;
extern int32_t ScrollY;
// The whole picture fitted into the client area, keeping its aspect ratio.
extern bool Stretch;
// Views smaller than the picture are averaged (the setting "Smoothing",
// toggled by the command of that name); off, every zoom samples the
// nearest pixel.
extern bool Smoothing;
// What pictures with alpha are painted over: the checkerboard, or the
// setting "Background R,G,B".
extern TBackground ViewBackground;
