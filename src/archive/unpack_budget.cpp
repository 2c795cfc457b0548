// CUnpackBudget: the counts, the free-space checks, and the line of the bound that
// stopped an extraction.
#include "archive/unpack_budget.h"

#include <windows.h>

#include <cstdio>

#include "base/run_control.h"
#include "log/install_log.h"

namespace {

// 0 when the size cannot be read: such an archive has no room for a single byte.
uint64_t fileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t mostBytes(const RunLimits& limits) {
  return limits.mostUnpackedMiB ? static_cast<uint64_t>(limits.mostUnpackedMiB) << 20 : kMostUnpackedBytes;
}

uint64_t leastFree(const RunLimits& limits) {
  return limits.leastFreeDiskMiB ? static_cast<uint64_t>(limits.leastFreeDiskMiB) << 20 : kLeastFreeDiskBytes;
}

}  // namespace

CUnpackBudget::CUnpackBudget(const Unpacking& unpacking, const char* archivePath, const char* destinationDir)
    : m_unpacking(unpacking),
      m_archivePath(archivePath),
      m_destinationDir(destinationDir),
      m_mostBytes(mostBytes(unpacking.limits)),
      m_ratioBytes(fileSize(archivePath) * kMostUnpackRatio),
      m_leastFree(leastFree(unpacking.limits)) {}

bool CUnpackBudget::admitEntries(uint32_t count) {
  if (stopped()) return false;
  return count <= kMostArchiveEntries || stop(Stop::kEntries);
}

bool CUnpackBudget::startEntry() { return !stopped() && checkCancelled() && checkFreeSpace(); }

bool CUnpackBudget::admitBytes(uint32_t count) {
  if (stopped() || !checkCancelled()) return false;
  m_written += count;
  // The lower of the two size bounds is the one that holds, and the one named.
  if (m_written > m_ratioBytes && m_ratioBytes <= m_mostBytes) return stop(Stop::kRatio);
  if (m_written > m_mostBytes) return stop(Stop::kTotal);
  m_sinceFreeSpaceCheck += count;
  return m_sinceFreeSpaceCheck < kFreeSpaceCheckBytes || checkFreeSpace();
}

DownloadResult CUnpackBudget::stopResult() const {
  return m_stop == Stop::kCancelled ? kDownloadCancelled : kDownloadFilesIncomplete;
}

bool CUnpackBudget::checkCancelled() { return !runCancelled(m_unpacking.control) || stop(Stop::kCancelled); }

// A destination whose free space the system cannot tell (a device, say) is not held up.
bool CUnpackBudget::checkFreeSpace() {
  m_sinceFreeSpaceCheck = 0;
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExA(m_destinationDir, &available, nullptr, nullptr)) return true;
  return available.QuadPart >= m_leastFree + kFreeSpaceCheckBytes || stop(Stop::kDiskSpace);
}

// The page's leaving is logged once for the whole run, by the step that learns of it.
bool CUnpackBudget::stop(Stop reason) {
  m_stop = reason;
  if (reason != Stop::kCancelled) logStop();
  return false;
}

void CUnpackBudget::logStop() const {
  char line[128] = "";
  if (m_stop == Stop::kTotal)
    std::snprintf(line, sizeof line, "The archive unpacks to more than %lu MiB: ",
                  static_cast<unsigned long>(m_mostBytes >> 20));
  else if (m_stop == Stop::kRatio)
    std::snprintf(line, sizeof line, "The archive unpacks to more than %u times its own size: ",
                  static_cast<unsigned>(kMostUnpackRatio));
  else if (m_stop == Stop::kEntries)
    std::snprintf(line, sizeof line, "The archive holds more than %u entries: ",
                  static_cast<unsigned>(kMostArchiveEntries));
  else
    std::snprintf(line, sizeof line, "Unpacking the archive would leave less than %lu MiB free on the disk: ",
                  static_cast<unsigned long>(m_leastFree >> 20));
  auto hold = lockInstallLog();
  logText(line);
  logLine(m_archivePath);
}
