// CTextBuffer: a growable, NUL-terminated 8-bit text whose block comes from the browser's
// allocator. Used for the install log, the upload body and request headers. Not
// synchronised: whoever shares one serialises access (the install log does).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/scoped_block.h"

class CTextBuffer {
 public:
  // Starts with a zero-filled block of 16 bytes.
  CTextBuffer();
  ~CTextBuffer();
  CTextBuffer(const CTextBuffer&) = delete;
  CTextBuffer& operator=(const CTextBuffer&) = delete;

  // Every append returns the buffer so that a line is one chain of appends. When the
  // allocator has no room, or the text would not fit a 32-bit length, the append is
  // dropped whole and the text stays as it was.
  CTextBuffer& append(const char* text);
  CTextBuffer& appendCounted(const char* text, size_t count);
  CTextBuffer& appendChar(char c);
  CTextBuffer& appendSigned(int32_t n);
  CTextBuffer& appendUnsigned(uint32_t n);
  CTextBuffer& appendBuffer(const CTextBuffer& other);

  // Cuts the text to n characters, or only makes room for n characters when n is not
  // less than the length. The block never shrinks.
  void setLength(int32_t n);
  // Drops n characters from start on (those there are, when the text ends sooner); the
  // rest moves up and the block stays. Nothing happens for a start outside the text.
  void removeRange(int32_t start, int32_t n);
  // A new allocator block holding the text and its NUL; null when there is no room.
  char* copyText() const;
  // Gives the block back; the buffer is then empty with capacity 0.
  void release();

  int32_t length() const;
  int32_t capacity() const { return m_capacity; }
  // Never null: an empty text when the buffer has no block.
  const char* text() const { return m_text ? m_text.get() : ""; }

  // Makes room for n bytes (NUL included), growing to the larger of 2 * capacity + 2
  // and n. False when the allocator had no room.
  bool ensureCapacity(int32_t n);

 private:
  bool reserve(int32_t n);

  ScopedBlock<char> m_text;
  int32_t m_capacity;
};
