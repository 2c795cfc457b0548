// The version block walker. Each node is: length, value length, type (16 bits each),
// a NUL-terminated UTF-16 key, padding to 32 bits, the value, padding, the children.
#include "version_resource.h"

#include <algorithm>

#include "utf8_text.h"

namespace {

struct Node {
  size_t start = 0, end = 0;        // the node's bytes
  std::string key;
  size_t valueStart = 0;
  size_t valueBytes = 0;            // as far as it lies inside the node
  bool textValue = false;
  size_t childrenStart = 0;
};

size_t alignTo4(size_t offset) { return (offset + 3) & ~static_cast<size_t>(3); }

uint16_t read16(const unsigned char* data, size_t at) {
  return static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
}

uint32_t read32(const unsigned char* data, size_t at) {
  return read16(data, at) | (static_cast<uint32_t>(read16(data, at + 2)) << 16);
}

// UTF-16 text from at up to a NUL or limit; next is set after the NUL (or to limit).
// Characters outside the basic plane are not expected in version strings and each
// surrogate half is kept as a character of its own.
std::string readText(const unsigned char* data, size_t at, size_t limit, size_t& next) {
  std::string text;
  for (; at + 2 <= limit; at += 2) {
    const uint16_t unit = read16(data, at);
    if (unit == 0) {
      next = at + 2;
      return text;
    }
    appendUtf8(text, unit);
  }
  next = limit;
  return text;
}

// Reads the node header at start inside [start, limit); false when it does not fit.
bool readNode(const unsigned char* data, size_t start, size_t limit, Node& node) {
  if (start + 6 > limit) return false;
  const size_t length = read16(data, start);
  if (length < 6 || start + length > limit) return false;
  node.start = start;
  node.end = start + length;
  const uint16_t valueLength = read16(data, start + 2);
  node.textValue = read16(data, start + 4) == 1;
  size_t afterKey = node.end;
  node.key = readText(data, start + 6, node.end, afterKey);
  node.valueStart = alignTo4(afterKey);
  // Text values count their length in characters, binary ones in bytes.
  const size_t declared = node.textValue ? valueLength * 2u : valueLength;
  node.valueBytes = node.valueStart >= node.end ? 0 : std::min(declared, node.end - node.valueStart);
  node.childrenStart = alignTo4(node.valueStart + node.valueBytes);
  return true;
}

// Calls visit for each child node of parent.
template <class Visit>
void forEachChild(const unsigned char* data, const Node& parent, Visit visit) {
  Node child;
  for (size_t at = parent.childrenStart; readNode(data, at, parent.end, child);
       at = alignTo4(child.end)) {
    visit(child);
  }
}

void readStringTable(const unsigned char* data, const Node& table, VersionResource& out) {
  VersionStringTable strings{table.key, {}};
  forEachChild(data, table, [&](const Node& entry) {
    size_t next = 0;
    const std::string value =
        entry.valueStart < entry.end ? readText(data, entry.valueStart, entry.end, next) : "";
    strings.strings.emplace_back(entry.key, value);
  });
  out.stringTables.push_back(strings);
}

void readTranslations(const unsigned char* data, const Node& var, VersionResource& out) {
  if (var.key != "Translation") return;
  for (size_t at = var.valueStart; at + 4 <= var.valueStart + var.valueBytes; at += 4)
    out.translations.emplace_back(read16(data, at), read16(data, at + 2));
}

void readFixedPart(const unsigned char* data, const Node& root, VersionResource& out) {
  const size_t at = root.valueStart;
  if (root.valueBytes < 52 || read32(data, at) != 0xFEEF04BD) return;
  out.hasFixedPart = true;
  out.fileVersionHigh = read32(data, at + 8);
  out.fileVersionLow = read32(data, at + 12);
  out.productVersionHigh = read32(data, at + 16);
  out.productVersionLow = read32(data, at + 20);
  out.fileOs = read32(data, at + 32);
  out.fileType = read32(data, at + 36);
}

}  // namespace

const std::string* VersionResource::find(const std::string& tableKey, const std::string& name) const {
  for (const VersionStringTable& table : stringTables) {
    if (table.key != tableKey) continue;
    for (const auto& entry : table.strings)
      if (entry.first == name) return &entry.second;
  }
  return nullptr;
}

bool parseVersionResource(const unsigned char* data, size_t size, VersionResource& out) {
  Node root;
  if (!readNode(data, 0, size, root) || root.key != "VS_VERSION_INFO") return false;
  readFixedPart(data, root, out);
  forEachChild(data, root, [&](const Node& section) {
    forEachChild(data, section, [&](const Node& item) {
      if (section.key == "StringFileInfo") readStringTable(data, item, out);
      if (section.key == "VarFileInfo") readTranslations(data, item, out);
    });
  });
  return true;
}

std::string dottedVersion(uint32_t high, uint32_t low) {
  return std::to_string(high >> 16) + "." + std::to_string(high & 0xFFFF) + "." +
         std::to_string(low >> 16) + "." + std::to_string(low & 0xFFFF);
}
