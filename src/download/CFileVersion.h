// CFileVersion: a file version as four unsigned 16-bit numbers, read from a version text
// of the package list ("7,5,0,123") or from an installed file's version resource, and
// compared number by number. Each instance belongs to the thread that made it.
#pragma once

#include <cstdint>

class CFileVersion {
 public:
  CFileVersion() : major(0), minor(0), build(0), revision(0) {}
  virtual ~CFileVersion() = default;

  // Sets the numbers from up to four tokens of text split at any of the separator
  // characters (empty tokens do not count). Four tokens give major, minor, build and
  // revision; three give major, minor and revision, with build 0; fewer leave the
  // missing ones 0; a fifth and later are ignored. Each token reads as atoi reads it,
  // kept to its low 16 bits. Only the first 255 characters of text are read.
  void parseVersionText(const char* text, const char* separators);

  // Sets the numbers from the file version in the version resource of fileName (looked
  // up along the library search order when it has no directory). False, with all four
  // numbers 0, when the file is missing or has no version resource.
  bool readFileVersion(const char* fileName);

  // True when this version is strictly greater: the first number that differs decides.
  bool isNewerThan(const CFileVersion& other) const;

  uint16_t major;
  uint16_t minor;
  uint16_t build;
  uint16_t revision;
};

// Splits text in place like the C library's strtok, but keeps its place in *resume, so
// that every caller (and every thread) has its own. With a text, starts there; with null,
// goes on from *resume. Skips separator characters, overwriting them with NUL, and
// returns the next token with the separator that ends it overwritten, or null when the
// text has ended.
char* nextVersionToken(char* text, const char* separators, char** resume);
