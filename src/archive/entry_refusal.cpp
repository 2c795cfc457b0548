// logEntryRefusal.
#include "archive/entry_refusal.h"

#include "log/install_log.h"

namespace {

const char* refusalText(EntryRefusal why) {
  switch (why) {
    case EntryRefusal::kUnsafeName:
      return "Archive entry refused, its name is absolute, climbs, names a drive or a device, or has a part "
             "of dots and blanks only: ";
    case EntryRefusal::kPathTooLong:
      return "Archive entry refused, its path would exceed 259 characters: ";
    default:
      return "Archive entry left out, a cabinet's package list is never unpacked: ";
  }
}

}  // namespace

void logEntryRefusal(EntryRefusal why, const char* recordedName) {
  auto hold = lockInstallLog();
  logText(refusalText(why));
  logLine(recordedName);
}
