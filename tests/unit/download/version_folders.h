// The folders of test DLLs with known file versions that the build puts beside the test
// program: "older" holds core.dll 7.5.0.100; "current" core.dll 7.5.0.123 and ui.dll
// 7.5.0.120. The product version of each is 9.9.9.9.
#pragma once

#include <windows.h>

#include <string>

inline std::string versionFolder(const std::string& name) {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  std::string folder = program;
  return folder.substr(0, folder.find_last_of('\\')) + "\\download_versions\\" + name;
}
