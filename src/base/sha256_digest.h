// SHA-256 of bytes as they arrive, through the system's cryptographic provider, so that a
// downloaded package is checked without reading it a second time.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstddef>

#include "base/scoped_crypt.h"

// 64 hexadecimal digits and the NUL.
constexpr size_t kSha256HexSize = 65;

class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;

  // False when the system offers no SHA-256 (before Windows XP SP3): nothing can be checked.
  bool usable() const { return static_cast<bool>(m_hash); }
  void add(const void* bytes, unsigned long count);
  // The digest in lower-case hex; false (and an empty text) when it could not be formed.
  bool finish(char (&hex)[kSha256HexSize]);

 private:
  // Declared in the order they are made: the hash goes before its provider.
  ScopedCryptProvider m_provider;
  ScopedCryptHash m_hash;
  bool m_failed = false;
};

// Whether text is exactly 64 hexadecimal digits, in either case.
bool isSha256Hex(const char* text);
// Whether two such texts name the same digest, whatever their case.
bool sameSha256Hex(const char* a, const char* b);
