// Readers of the two properties dialects. Both walk the text once; the package-list
// reader unescapes each value into one scratch block that only ever grows to the longest
// value, so a text of any size parses in time linear in its length (plus the map's cost).
#include "download/property_text.h"

#include <cstring>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "download/CPropertyMap.h"

namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }

size_t skipToLineEnd(const char* text, size_t position, size_t length) {
  while (position < length && !isLineEnd(text[position])) ++position;
  return position;
}

// Where a key that starts at position ends: at the first "=" after its first character,
// or at the line end when the line has none.
size_t findKeyEnd(const char* text, size_t position, size_t length) {
  ++position;
  while (position < length && text[position] != '=' && !isLineEnd(text[position])) ++position;
  return position;
}

// A backslash with at least one more character after it is an escape pair; only a line
// end that is not the second half of a pair ends the value.
size_t findValueEnd(const char* text, size_t position, size_t length) {
  while (position < length && !isLineEnd(text[position]))
    position += (text[position] == '\\' && position + 1 < length) ? 2 : 1;
  return position;
}

char unescaped(char c) {
  if (c == 'n') return '\n';
  if (c == 'r') return '\r';
  return c;
}

// Writes the value text[from, end) with its escapes resolved into out; returns its length.
size_t unescapeValue(const char* text, size_t from, size_t end, char* out) {
  size_t written = 0;
  while (from < end) {
    if (text[from] == '\\' && from + 1 < end) {
      out[written++] = unescaped(text[from + 1]);
      from += 2;
    } else {
      out[written++] = text[from++];
    }
  }
  return written;
}

// A block that grows to the largest size asked of it and is released at the end.
class ScratchBlock {
 public:
  ScratchBlock() : m_capacity(0) {}

  bool reserve(size_t size) {
    if (size == 0) size = 1;
    if (size <= m_capacity) return true;
    if (size > UINT32_MAX) return false;
    char* grown = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(size)));
    if (!grown) return false;
    m_data.reset(grown);
    m_capacity = size;
    return true;
  }
  char* data() { return m_data.get(); }

 private:
  ScopedBlock<char> m_data;
  size_t m_capacity;
};

// Reads the line that starts at position (not at a line end); stores its pair, if it
// has one, and counts it in dropped when there is no room. Returns where the line ends.
size_t readPackageListLine(CPropertyMap& map, const char* text, size_t position, size_t length,
                           ScratchBlock& scratch, int32_t& dropped) {
  if (text[position] == '#') return skipToLineEnd(text, position, length);
  const size_t keyEnd = findKeyEnd(text, position, length);
  if (keyEnd == length || text[keyEnd] != '=') return keyEnd;
  const size_t valueEnd = findValueEnd(text, keyEnd + 1, length);
  if (!scratch.reserve(valueEnd - keyEnd - 1)) {
    ++dropped;
    return valueEnd;
  }
  const size_t valueLength = unescapeValue(text, keyEnd + 1, valueEnd, scratch.data());
  if (!map.insert(text + position, keyEnd - position, scratch.data(), valueLength)) ++dropped;
  return valueEnd;
}

// The position of the CR of the next CR LF pair from position on, or length.
size_t findCrLf(const char* text, size_t position, size_t length) {
  while (position < length) {
    const void* found = std::memchr(text + position, '\r', length - position);
    if (!found) return length;
    position = static_cast<size_t>(static_cast<const char*>(found) - text);
    if (position + 1 < length && text[position + 1] == '\n') return position;
    ++position;
  }
  return length;
}

// Stores the pair of one configuration-file line; true when the line had a pair that
// was dropped.
bool dropsConfigurationLine(CPropertyMap& map, const char* line, size_t length) {
  if (length == 0 || line[0] == '#') return false;
  const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
  if (!equals || equals == line) return false;
  const size_t keyLength = static_cast<size_t>(equals - line);
  size_t valueLength = length - keyLength - 1;
  if (valueLength > 0 && isLineEnd(equals[valueLength])) --valueLength;
  if (keyLength > kConfigurationKeyLimit) return true;
  if (valueLength > kConfigurationValueLimit) {
    // The server's error stays an error however long: dropped, it would let the update go
    // on that the server refused.
    if (keyLength != sizeof kServerErrorKey - 1 || std::memcmp(line, kServerErrorKey, keyLength) != 0) return true;
    valueLength = kServerErrorKeptLength;
  }
  return !map.insert(line, keyLength, equals + 1, valueLength);
}

}  // namespace

int32_t parsePropertyText(CPropertyMap& map, const char* bytes, size_t length) {
  ScratchBlock scratch;
  int32_t dropped = 0;
  size_t position = 0;
  while (position < length) {
    if (isLineEnd(bytes[position]))
      ++position;
    else
      position = readPackageListLine(map, bytes, position, length, scratch, dropped);
  }
  return dropped;
}

int32_t parseConfigurationText(CPropertyMap& map, const char* text, size_t length) {
  int32_t dropped = 0;
  size_t start = 0;
  for (;;) {
    const size_t end = findCrLf(text, start, length);
    if (dropsConfigurationLine(map, text + start, end - start)) ++dropped;
    if (end == length) return dropped;
    start = end + 2;
  }
}
