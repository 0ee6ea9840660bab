// Screenshots of windows as the screen shows them, saved as BMP files: artefacts of a test run.
#pragma once
#include <windows.h>

#include <string>

// Copies the window's rectangle off the screen into a 24-bit BMP file (folders made as needed); false when
// the window or the file is not there. Screenshots are skipped (and true returned) when VELNOR_NO_SHOTS is set.
bool SaveWindowShot(HWND window, const std::string& file);
