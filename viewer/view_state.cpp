#include "viewer/view_state.h"

int32_t ScrollX = 0;
int32_t ScrollY = 0;
bool Stretch = false;
bool Smoothing = true;
TBackground ViewBackground;
