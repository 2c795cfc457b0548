// Small file helpers that many tests share: existence, whole-file reads and writes.
#pragma once

#include <string>

bool fileExists(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& data);
