// chooseEntryAction and its parts: the set lookup by name and the element check.
#include "download/file_set_choice.h"

#include <cstring>

#include "base/ascii_case.h"
#include "download/CFileVersion.h"

namespace {

const char* baseName(const char* path) {
  const char* slash = std::strrchr(path, '/');
  return slash ? slash + 1 : path;
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
    installed.readFileVersion(baseName(element->name()));
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
