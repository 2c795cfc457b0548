// cleanOlderConfigFiles: keeps the 13 newest configuration files of earlier
// runs, so that the temporary directory does not fill up with them, and every file of the
// last hour, which a run still going may yet hand to the updater or the client.
#include "download/config_files.h"

#include <cstring>

#include "base/host_services.h"
#include "base/path_text.h"
#include "base/scoped_block.h"
#include "base/scoped_handle.h"
#include "log/method_guard.h"

namespace {

// With this many files or more, all but the 13 newest are deleted; the new download then
// makes 14.
constexpr int kFilesBeforeCleaning = 15;
constexpr int kFilesKept = 13;
// A file written this recently may be another instance's, fetched moments ago (a page
// with many embeds): it is never deleted.
constexpr ULONGLONG kRecentTicks = 60ull * 60 * 10000000;  // one hour in 100 ns ticks

// The files found, oldest first by last-write time; equal times keep the order found.
class OlderFileList {
 public:
  bool insert(const WIN32_FIND_DATAA& entry) {
    if (m_count == m_capacity && !grow()) return false;
    WIN32_FIND_DATAA* records = m_records.get();
    int at = m_count;
    for (int i = 0; i < m_count; ++i) {
      if (CompareFileTime(&records[i].ftLastWriteTime, &entry.ftLastWriteTime) > 0) {
        at = i;
        break;
      }
    }
    std::memmove(&records[at + 1], &records[at], static_cast<size_t>(m_count - at) * sizeof entry);
    records[at] = entry;
    ++m_count;
    return true;
  }

  int count() const { return m_count; }
  const WIN32_FIND_DATAA& operator[](int i) const { return m_records.get()[i]; }

 private:
  bool grow() {
    const int capacity = m_capacity ? 2 * m_capacity : 16;
    auto* records = static_cast<WIN32_FIND_DATAA*>(NPN_MemAlloc(static_cast<uint32>(capacity) * sizeof(WIN32_FIND_DATAA)));
    if (!records) return false;
    if (m_count) std::memcpy(records, m_records.get(), static_cast<size_t>(m_count) * sizeof(WIN32_FIND_DATAA));
    m_records.reset(records);
    m_capacity = capacity;
    return true;
  }

  ScopedBlock<WIN32_FIND_DATAA> m_records;
  int m_count = 0;
  int m_capacity = 0;
};

void findConfigFiles(const char* pattern, OlderFileList& files) {
  WIN32_FIND_DATAA entry;
  const ScopedFindHandle search(FindFirstFileA(pattern, &entry));
  if (!search) return;
  do {
    // A folder that happens to match the pattern is none of ours.
    if (entry.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!files.insert(entry)) break;
  } while (FindNextFileA(search.get(), &entry));
}

ULONGLONG ticksOf(const FILETIME& time) {
  ULARGE_INTEGER ticks;
  ticks.LowPart = time.dwLowDateTime;
  ticks.HighPart = time.dwHighDateTime;
  return ticks.QuadPart;
}

bool writtenRecently(const WIN32_FIND_DATAA& entry, ULONGLONG now) {
  const ULONGLONG written = ticksOf(entry.ftLastWriteTime);
  return written > now || now - written < kRecentTicks;
}

void deleteInDirectory(const char* directory, const WIN32_FIND_DATAA& entry) {
  const char* name = entry.cAlternateFileName[0] ? entry.cAlternateFileName : entry.cFileName;
  char path[kPathCapacity];
  if (joinPath(path, sizeof path, directory, name)) DeleteFileA(path);
}

}  // namespace

void cleanOlderConfigFiles(const CLogInstance* instance, const char* pattern, const char* directory) {
  // The list lives outside the guarded body: a fault must not leave its block behind.
  OlderFileList files;
  runGuarded(instance, "CMyPlugin::cleanOlderConfigFiles()", [&] {
    findConfigFiles(pattern, files);
    if (files.count() < kFilesBeforeCleaning) return;
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    const ULONGLONG now = ticksOf(time);
    for (int i = 0; i < files.count() - kFilesKept; ++i)
      if (!writtenRecently(files[i], now)) deleteInDirectory(directory, files[i]);
  });
}
