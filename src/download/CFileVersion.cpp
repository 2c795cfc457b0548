// CFileVersion: version texts and comparison. The installed-file reading lives beside
// it in installed_file_version.cpp, since it needs the system's version functions.
#include "download/CFileVersion.h"

#include <cstring>

#include "base/leading_integer.h"

namespace {

constexpr size_t kVersionTextBuffer = 256;

bool isSeparator(char c, const char* separators) {
  return c != '\0' && std::strchr(separators, c) != nullptr;
}

uint16_t tokenNumber(const char* token) {
  return static_cast<uint16_t>(static_cast<uint32_t>(readLeadingInteger(token)) & 0xFFFFu);
}

}  // namespace

char* nextVersionToken(char* text, const char* separators, char** resume) {
  char* position = text ? text : *resume;
  if (!position) return nullptr;
  if (!separators) separators = "";
  while (isSeparator(*position, separators)) *position++ = '\0';
  if (*position == '\0') {
    *resume = position;
    return nullptr;
  }
  char* token = position;
  while (*position != '\0' && !isSeparator(*position, separators)) ++position;
  if (*position != '\0') *position++ = '\0';
  *resume = position;
  return token;
}

void CFileVersion::parseVersionText(const char* text, const char* separators) {
  char copy[kVersionTextBuffer] = {};
  if (text) std::strncpy(copy, text, sizeof copy - 1);
  char* resume = nullptr;
  char* tokens[4] = {};
  int count = 0;
  char* token = nextVersionToken(copy, separators, &resume);
  while (token && count < 4) {
    tokens[count++] = token;
    if (count < 4) token = nextVersionToken(nullptr, separators, &resume);
  }
  major = tokens[0] ? tokenNumber(tokens[0]) : 0;
  minor = tokens[1] ? tokenNumber(tokens[1]) : 0;
  // Three numbers name major, minor and revision: "7,5,123" is 7.5.0.123.
  const char* buildToken = count == 4 ? tokens[2] : nullptr;
  const char* revisionToken = count == 4 ? tokens[3] : tokens[2];
  build = buildToken ? tokenNumber(buildToken) : 0;
  revision = revisionToken ? tokenNumber(revisionToken) : 0;
}

bool CFileVersion::isNewerThan(const CFileVersion& other) const {
  if (major != other.major) return major > other.major;
  if (minor != other.minor) return minor > other.minor;
  if (build != other.build) return build > other.build;
  return revision > other.revision;
}
