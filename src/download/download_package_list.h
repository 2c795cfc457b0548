// The package list of an instance's update, fetched into memory.
#pragma once

class CRunContext;

// The package list at url as ANSI text in an allocator block, or null when it could not be had.
// Runs under the method guard with the trace name "CMyPlugin::downloadPackageList()".
char* downloadPackageList(CRunContext& plugin, const char* url);
