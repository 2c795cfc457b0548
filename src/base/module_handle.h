// The plug-in library's own module handle: its resources (the dialog templates) are
// taken from it.
#pragma once

#include <windows.h>

// Recorded once, when the process attaches the library.
void setPluginModule(HINSTANCE module);
// Until it is recorded (a program that links the plug-in's code directly), the
// program's own module.
HINSTANCE pluginModule();
