// Command lines for the client's updater and starting it as a process of its own.
#pragma once

#include <windows.h>

#include <cstddef>

// The longest command line the plug-in forms, its NUL included.
constexpr size_t kCommandLineCapacity = 1024;

// Writes "<directory>\bin\updater.exe" [switchText] "<configFile>" into command, both
// paths in double quotes (a path with blanks would otherwise be split). switchText may
// be null. False, and command empty, when the line does not fit.
bool formUpdaterCommand(char* command, const char* directory, const char* switchText, const char* configFile);

// Starts the command with the plug-in's environment and current directory. The caller
// closes both handles in process.
bool startProgram(char* command, PROCESS_INFORMATION& process);
