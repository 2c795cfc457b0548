// A picture of a window as it shows on the screen, written as a 24-bit BMP file: the
// stand-in takes it when asked (--capture-at), for the README's picture of the dialog.
#pragma once

#include <windows.h>

#include <string>

// The whole window, frame included; false when it cannot be read or written.
bool captureWindow(HWND window, const std::string& bmpPath);
