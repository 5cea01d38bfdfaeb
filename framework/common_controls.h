#pragma once
// The manifest asks for version 6 of the common controls, which older systems
// serve only once the library is loaded. Loading it costs a noticeable part of
// start-up, so it is loaded before the first dialog or message box instead.
void LoadCommonControls();
