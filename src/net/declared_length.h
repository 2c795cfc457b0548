// The Content-Length an answer declares, for the reads that hold a body to it.
#pragma once

#include <windows.h>
#include <wininet.h>

// The Content-Length of request's answer into *length; false when it has none.
bool declaredLength(HINTERNET request, DWORD* length);
