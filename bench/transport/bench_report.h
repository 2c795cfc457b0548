// The one line each benchmark program prints: seconds, bytes and peak memory.
#pragma once

#include <windows.h>

#include <cstdint>

void reportRun(const char* name, DWORD startTicks, uint64_t bytes);
