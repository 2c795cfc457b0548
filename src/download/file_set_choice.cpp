// chooseEntryAction and its parts: the set lookup by name and the element check.
#include "download/file_set_choice.h"

#include <cstring>

#include "base/ascii_case.h"
#include "download/CFileVersion.h"
#include "log/install_log.h"

namespace {

const char* baseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
}

// Whether an element's name may reach the file system: a plain relative name. A drive, a
// leading separator, a network name (a look-up there sends the user's Windows logon to
// that host), a ":" (a stream) or a ".." (out of the folder) does not.
bool isPlainRelativeName(const char* name) {
  return name[0] != '\\' && name[0] != '/' && !std::strchr(name, ':') && !std::strstr(name, "..");
}

// The installed version of the element's file, 0 when it has none or its name may not be
// looked up (which one line names).
void readInstalledVersion(const CFileSetElement& element, CFileVersion& installed) {
  if (isPlainRelativeName(element.name())) {
    installed.readFileVersion(baseName(element.name()));
    return;
  }
  const auto held = lockInstallLog();
  logText("A file set's element is no plain relative name and is not looked up: ");
  logLine(element.name());
}

}  // namespace

const CFileSet* findFileSet(const CFileSetList& fileSets, const char* localName) {
  if (!localName) return nullptr;
  for (const CFileSet* set = fileSets.first(); set; set = set->next)
    if (equalsIgnoringCase(set->name(), localName)) return set;
  return nullptr;
}

bool bringsNewerFile(const CFileSet& set) {
  for (const CFileSetElement* element = set.elements.first(); element; element = element->next) {
    CFileVersion listed;
    listed.parseVersionText(element->version(), ",");
    CFileVersion installed;
    readInstalledVersion(*element, installed);
    if (listed.isNewerThan(installed)) return true;
  }
  return false;
}

EntryAction chooseEntryAction(const CFileSetList& fileSets, const char* localName) {
  const CFileSet* set = findFileSet(fileSets, localName);
  if (!set) return fileSets.empty() ? EntryAction::kFetchAndUnpack : EntryAction::kFetch;
  if (set->elements.empty() || bringsNewerFile(*set)) return EntryAction::kFetchAndUnpack;
  return EntryAction::kSkip;
}
