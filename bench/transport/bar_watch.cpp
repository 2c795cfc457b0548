// BarWatch: samples the counter every few milliseconds, a finer step than any gap that
// matters to a user.
#include "bar_watch.h"

#include <windows.h>

#include <cstdio>

#include "plugin/CDownloadProgress.h"

namespace {

constexpr DWORD kSampleMs = 5;

}  // namespace

BarWatch::BarWatch(const CDownloadProgress& progress) : m_progress(progress), m_thread([this] { watch(); }) {}

BarWatch::~BarWatch() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
}

void BarWatch::watch() {
  int seen = m_progress.done();
  LARGE_INTEGER frequency, last = {};
  QueryPerformanceFrequency(&frequency);
  while (!m_stop) {
    Sleep(kSampleMs);
    const int now = m_progress.done();
    if (now == seen) continue;
    LARGE_INTEGER at;
    QueryPerformanceCounter(&at);
    if (m_moves > 0) {
      const auto still = static_cast<uint32_t>((at.QuadPart - last.QuadPart) * 1000 / frequency.QuadPart);
      if (still > m_longestStillMs) m_longestStillMs = still;
    }
    ++m_moves;
    last = at;
    seen = now;
  }
}

void BarWatch::report() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  std::printf("bar_moves=%lu longest_still_ms=%lu ", static_cast<unsigned long>(m_moves),
              static_cast<unsigned long>(m_longestStillMs));
}
