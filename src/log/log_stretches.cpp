// CLogStretches: a growing array of (length, owner) in the browser's allocator, the
// neighbours of one owner merged.
#include "log/log_stretches.h"

#include <cstring>

#include "base/host_services.h"
#include "log/CTextBuffer.h"

namespace {

bool carries(uint32_t stretchOwner, uint32_t uploadOwner) { return stretchOwner == 0 || stretchOwner == uploadOwner; }

}  // namespace

CLogStretches::~CLogStretches() { clear(); }

bool CLogStretches::canFile(uint32_t owner) {
  if (m_count > 0 && !m_sealed && m_stretches[m_count - 1].owner == owner) return true;
  if (m_count < m_capacity) return true;
  const int32_t capacity = m_capacity ? 2 * m_capacity : 16;
  auto* grown = static_cast<Stretch*>(NPN_MemAlloc(static_cast<uint32_t>(capacity) * sizeof(Stretch)));
  if (!grown) return false;
  if (m_count) std::memcpy(grown, m_stretches, static_cast<size_t>(m_count) * sizeof(Stretch));
  NPN_MemFree(m_stretches);
  m_stretches = grown;
  m_capacity = capacity;
  return true;
}

void CLogStretches::file(uint32_t owner, int32_t length) {
  if (length <= 0) return;
  if (m_count > 0 && !m_sealed && m_stretches[m_count - 1].owner == owner) {
    m_stretches[m_count - 1].length += length;
    return;
  }
  m_stretches[m_count++] = Stretch{length, owner};
  m_sealed = false;
}

int32_t CLogStretches::appendCarried(const CTextBuffer& text, int32_t limit, uint32_t owner, CTextBuffer& out) const {
  const int32_t before = out.length();
  int32_t expected = 0;
  int32_t at = 0;
  for (int32_t i = 0; i < m_count && at < limit; at += m_stretches[i++].length) {
    if (!carries(m_stretches[i].owner, owner)) continue;
    out.appendCounted(text.text() + at, static_cast<size_t>(m_stretches[i].length));
    expected += m_stretches[i].length;
  }
  if (out.length() == before + expected) return expected;
  out.setLength(before);
  return 0;
}

int32_t CLogStretches::removeCarried(CTextBuffer& text, int32_t limit, uint32_t owner) {
  int32_t removed = 0;
  int32_t at = 0;
  int32_t kept = 0;
  for (int32_t i = 0; i < m_count; ++i) {
    const Stretch stretch = m_stretches[i];
    if (at < limit && carries(stretch.owner, owner)) {
      text.removeRange(at - removed, stretch.length);
      removed += stretch.length;
    } else {
      m_stretches[kept++] = stretch;
    }
    at += stretch.length;
  }
  m_count = kept;
  return removed;
}

bool CLogStretches::holdsFor(uint32_t owner) const {
  for (int32_t i = 0; i < m_count; ++i)
    if (carries(m_stretches[i].owner, owner) && m_stretches[i].length > 0) return true;
  return false;
}

void CLogStretches::clear() {
  NPN_MemFree(m_stretches);
  m_stretches = nullptr;
  m_count = m_capacity = 0;
  m_sealed = false;
}
