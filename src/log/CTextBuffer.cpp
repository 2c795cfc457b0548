// CTextBuffer: growth rule, appends and copies over the browser's allocator.
#include "log/CTextBuffer.h"

#include <cstring>

#include "base/host_services.h"

namespace {

constexpr int32_t kInitialCapacity = 16;
constexpr int32_t kMaxCapacity = INT32_MAX;

// Writes n in decimal at the end of digits[12] and returns where the digits start.
char* formatUnsigned(uint32_t n, char* end) {
  *--end = '\0';
  do {
    *--end = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  return end;
}

}  // namespace

CTextBuffer::CTextBuffer() : m_capacity(0) { ensureCapacity(kInitialCapacity); }

CTextBuffer::~CTextBuffer() = default;

bool CTextBuffer::ensureCapacity(int32_t n) {
  if (n <= m_capacity) return true;
  int64_t grown = 2 * static_cast<int64_t>(m_capacity) + 2;
  if (grown > kMaxCapacity) grown = kMaxCapacity;
  return reserve(grown > n ? static_cast<int32_t>(grown) : n);
}

bool CTextBuffer::reserve(int32_t n) {
  if (n <= m_capacity) return true;
  char* block = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(n)));
  if (!block) return false;
  std::memset(block, 0, static_cast<size_t>(n));
  if (m_text) std::memcpy(block, m_text.get(), static_cast<size_t>(length()) + 1);
  m_text.reset(block);
  m_capacity = n;
  return true;
}

int32_t CTextBuffer::length() const {
  return m_text ? static_cast<int32_t>(std::strlen(m_text.get())) : 0;
}

CTextBuffer& CTextBuffer::appendCounted(const char* text, size_t count) {
  const int32_t current = length();
  if (count > static_cast<size_t>(kMaxCapacity - 1 - current)) return *this;
  const int32_t needed = current + static_cast<int32_t>(count) + 1;
  if (!ensureCapacity(needed)) return *this;
  std::memcpy(m_text.get() + current, text, count);
  m_text.get()[current + static_cast<int32_t>(count)] = '\0';
  return *this;
}

CTextBuffer& CTextBuffer::append(const char* text) {
  return appendCounted(text, std::strlen(text));
}

CTextBuffer& CTextBuffer::appendChar(char c) { return appendCounted(&c, 1); }

CTextBuffer& CTextBuffer::appendUnsigned(uint32_t n) {
  char digits[12];
  return append(formatUnsigned(n, digits + sizeof digits));
}

CTextBuffer& CTextBuffer::appendSigned(int32_t n) {
  if (n >= 0) return appendUnsigned(static_cast<uint32_t>(n));
  // The magnitude of INT32_MIN only fits the unsigned type.
  char digits[13];
  char* start = formatUnsigned(0u - static_cast<uint32_t>(n), digits + sizeof digits);
  *--start = '-';
  return append(start);
}

CTextBuffer& CTextBuffer::appendBuffer(const CTextBuffer& other) {
  if (&other == this) {
    // Appending a text to itself: the source may move when the block grows.
    const int32_t n = length();
    if (n == 0 || n > (kMaxCapacity - 1) / 2 || !ensureCapacity(2 * n + 1)) return *this;
    std::memcpy(m_text.get() + n, m_text.get(), static_cast<size_t>(n));
    m_text.get()[2 * n] = '\0';
    return *this;
  }
  return appendCounted(other.text(), static_cast<size_t>(other.length()));
}

void CTextBuffer::setLength(int32_t n) {
  if (n < 0) n = 0;
  if (n < length()) {
    m_text.get()[n] = '\0';
    return;
  }
  if (n < kMaxCapacity) ensureCapacity(n + 1);
}

void CTextBuffer::removeRange(int32_t start, int32_t n) {
  const int32_t total = length();
  if (n <= 0 || start < 0 || start >= total) return;
  if (n > total - start) n = total - start;
  std::memmove(m_text.get() + start, m_text.get() + start + n, static_cast<size_t>(total - start - n) + 1);
}

char* CTextBuffer::copyText() const {
  const int32_t n = length();
  char* copy = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(n) + 1));
  if (!copy) return nullptr;
  std::memcpy(copy, text(), static_cast<size_t>(n) + 1);
  return copy;
}

void CTextBuffer::release() {
  m_text.reset();
  m_capacity = 0;
}
