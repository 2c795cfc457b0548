// Command lines for the client's updater and starting it as a process of its own.
#pragma once

#include "base/scoped_handle.h"

#include <windows.h>

#include <cstddef>

// The longest command line the plug-in forms, its NUL included.
constexpr size_t kCommandLineCapacity = 1024;

// Writes "<directory>\bin\updater.exe" [switchText] "<configFile>" into command, both
// paths in double quotes (a path with blanks would otherwise be split). switchText may
// be null. False, and command empty, when the line does not fit.
bool formUpdaterCommand(char* command, const char* directory, const char* switchText, const char* configFile);

// A program started, its process and first thread owned until the owner goes.
struct StartedProgram {
  ScopedKernelHandle process;
  ScopedKernelHandle thread;
  explicit operator bool() const { return static_cast<bool>(process); }
};

// Starts the command with the plug-in's environment and current directory; nothing held
// when it could not be started.
StartedProgram startProgram(char* command);
