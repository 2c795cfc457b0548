// Reading a library's version resource as its raw block (the 32-bit, UTF-16 layout that
// the system's version functions hand out): the fixed part, the translations and every
// string table with all its strings. Every read stays inside the block, whatever it
// holds. Pure data work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct VersionStringTable {
  std::string key;  // language and code page as eight hexadecimal digits, e.g. "040904E4"
  std::vector<std::pair<std::string, std::string>> strings;  // name and value, in UTF-8
};

struct VersionResource {
  bool hasFixedPart = false;
  uint32_t fileVersionHigh = 0, fileVersionLow = 0;
  uint32_t productVersionHigh = 0, productVersionLow = 0;
  uint32_t fileOs = 0, fileType = 0;
  std::vector<std::pair<uint16_t, uint16_t>> translations;  // language, code page
  std::vector<VersionStringTable> stringTables;

  // The value of a string in the table of that key, or null.
  const std::string* find(const std::string& tableKey, const std::string& name) const;
};

// False when the block does not start with a readable VS_VERSION_INFO.
bool parseVersionResource(const unsigned char* data, size_t size, VersionResource& out);

// "7.5.1.1" from the two halves of a fixed version.
std::string dottedVersion(uint32_t high, uint32_t low);
