// Which instance wrote each stretch of the install log's text. The text is one for the
// process, but an upload carries only its own instance's lines and those written for no
// instance (the number 0). Kept beside the log's text, under the log's lock.
#pragma once

#include <cstdint>

class CTextBuffer;

class CLogStretches {
 public:
  CLogStretches() = default;
  ~CLogStretches();
  CLogStretches(const CLogStretches&) = delete;
  CLogStretches& operator=(const CLogStretches&) = delete;

  // Whether text of owner can be filed: false when a new stretch would need room the
  // allocator does not have (the text is then not written at all).
  bool canFile(uint32_t owner);
  // Files length characters just appended to the text for owner, after canFile.
  void file(uint32_t owner, int32_t length);
  // The next text starts a stretch of its own, so that the text up to here stays apart
  // from what comes later.
  void seal() { m_sealed = true; }

  // Appends to out, in order, the stretches of the text's first limit characters that an
  // upload for owner carries; the number of characters appended (all or nothing).
  int32_t appendCarried(const CTextBuffer& text, int32_t limit, uint32_t owner, CTextBuffer& out) const;
  // Removes those stretches from the text and from the record; the characters removed.
  int32_t removeCarried(CTextBuffer& text, int32_t limit, uint32_t owner);
  // Whether the text holds anything an upload for owner would carry.
  bool holdsFor(uint32_t owner) const;

  void clear();

 private:
  struct Stretch {
    int32_t length;
    uint32_t owner;
  };

  Stretch* m_stretches = nullptr;  // an allocator block
  int32_t m_count = 0;
  int32_t m_capacity = 0;
  bool m_sealed = false;
};
