#pragma once

// Start-up, the message loop and clean-up; returns the process exit code.
int RunOrv(int argc, const char* const* argv);

// Pumps messages until WM_QUIT and returns its exit code.
int MessageLoop();
