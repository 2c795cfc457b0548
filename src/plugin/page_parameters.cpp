// PageParameters: reading the embed's parameters, in one pass over them for the named
// values and one for the file list, so that a page with many parameters costs no more
// than their number.
#include "plugin/page_parameters.h"

#include <windows.h>

#include <cstring>

#include "base/ascii_case.h"
#include "base/cookie_value.h"
#include "base/host_services.h"
#include "base/leading_integer.h"
#include "base/scoped_block.h"
#include "base/string_copy.h"
#include "base/text_conversion.h"
#include "log/install_log.h"

namespace {

// Pages list a handful of package files. A larger count is a mistake in the page;
// honouring it would mean huge allocations.
constexpr int kMaxFiles = 1000;
// Entries from this one on all read the same unnumbered "File", "FileSize" and
// "FileSha256" parameters.
constexpr int kNumberedEntries = 100;

// Whether text holds only ASCII letters and digits: two such texts that differ other than
// in the case of their letters differ for the locale's comparison too, whatever the locale.
bool plainName(const char* text) {
  for (; *text; ++text) {
    const char c = static_cast<char>(*text | 0x20);
    if (!((c >= 'a' && c <= 'z') || (*text >= '0' && *text <= '9'))) return false;
  }
  return true;
}

// Names compare as the system's locale does (the page's names have always been read that
// way). The locale's comparison costs far more than a look at the letters, and a page may
// carry thousands of parameters: a plain name that differs letter for letter is told
// apart without it, and only names that may match are left to it. Every wanted name is plain.
bool namesMatch(const char* name, const char* wanted) {
  if (!name) return false;
  if (plainName(name) && !equalsIgnoringCase(name, wanted)) return false;
  return lstrcmpiA(name, wanted) == 0;
}

struct NamedValue {
  const char* name;
  const char* PageParameters::*field;
};

constexpr NamedValue kNamedValues[] = {
    {"RedirectURL", &PageParameters::redirectUrl},
    {"ProgramTitle", &PageParameters::programTitle},
    {"TargetWindow", &PageParameters::targetWindow},
    {"DownloadPrompt", &PageParameters::downloadPrompt},
    {"ChangeDirectoryExceptionMessage", &PageParameters::changeDirectoryExceptionMessage},
    {"UnsupportedPlatformError", &PageParameters::unsupportedPlatformError},
    {"InstallLogURL", &PageParameters::installLogUrl},
    {"SiteMinderHeader", &PageParameters::siteMinderHeader},
    {"CloseWindowUrl", &PageParameters::closeWindowUrl},
    {"InstallErrorHTTP", &PageParameters::installErrorHttp},
};

bool hasParameter(int16 argc, char* argn[], const char* wanted) {
  if (!argn) return false;
  for (int j = 0; j < argc; ++j)
    if (namesMatch(argn[j], wanted)) return true;
  return false;
}

// The three parameters of a file-list entry, and where the last one of each kind stands
// among the page's parameters (-1: not given).
enum FileField { kFileName, kFileSize, kFileSha256, kFileFieldCount };
constexpr const char* kFileStems[kFileFieldCount] = {"File", "FileSize", "FileSha256"};
constexpr int kEveryLaterEntry = -1;
constexpr int kNoEntry = -2;

struct FileParameterPositions {
  int numbered[kFileFieldCount][kNumberedEntries];
  int unnumbered[kFileFieldCount];

  int of(int field, int entry) const {
    return entry < kNumberedEntries ? numbered[field][entry] : unnumbered[field];
  }
};

// The entry that name gives a value of stem to: n for stem followed by n as the page
// numbers entries (one digit below 10, two from 10 to 99), kEveryLaterEntry for stem
// alone, otherwise kNoEntry. The stem compares as a whole name would.
int entryNamed(const char* name, const char* stem) {
  const size_t stemLength = std::strlen(stem);
  char head[16];
  if (std::strlen(name) < stemLength || stemLength >= sizeof head) return kNoEntry;
  std::memcpy(head, name, stemLength);
  head[stemLength] = '\0';
  if (!namesMatch(head, stem)) return kNoEntry;
  const char* digits = name + stemLength;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digits[0]) return kEveryLaterEntry;
  if (isDigit(digits[0]) && !digits[1]) return digits[0] - '0';
  if (digits[0] >= '1' && digits[0] <= '9' && isDigit(digits[1]) && !digits[2])
    return (digits[0] - '0') * 10 + (digits[1] - '0');
  return kNoEntry;
}

void findFileParameters(int16 argc, char* argn[], FileParameterPositions& positions) {
  std::memset(&positions, 0xFF, sizeof positions);  // every position -1
  for (int k = 0; argn && k < argc; ++k) {
    const char* name = argn[k];
    // Only names that begin with "F" can be file parameters: the locale-aware comparison
    // is spared for all the others.
    if (!name || (name[0] | 0x20) != 'f') continue;
    for (int field = kFileFieldCount - 1; field >= 0; --field) {
      const int entry = entryNamed(name, kFileStems[field]);
      if (entry == kNoEntry) continue;
      if (entry == kEveryLaterEntry)
        positions.unnumbered[field] = k;
      else
        positions.numbered[field][entry] = k;
      break;
    }
  }
}

}  // namespace

void PageParameters::read(int16 argc, char* argn[], char* argv[]) {
  argCount = argc < 0 ? 0 : argc;
  argNames = copyStringArray(argn, argc);
  if (hasParameter(argc, argn, "DocumentEncoding")) argValues = copyStringArray(argv, argc, ConvertUtf8ToAnsi);
  if (!argValues) argValues = copyStringArray(argv, argc);
  readNamedValues();
  // The sign-on token is a cookie's value, never its attributes; the value itself stays
  // out of the log.
  if (siteMinderHeader && !isCookieValue(siteMinderHeader)) {
    logLine("SiteMinderHeader is no cookie value (it holds a blank, a quote, a comma, a semicolon, a "
            "backslash or a control character): no sign-on cookie is sent.");
    siteMinderHeader = nullptr;
  }

  // A negative count means no files; keeping it would mislead every loop over the list.
  if (numFiles < 0) numFiles = 0;
  if (numFiles > kMaxFiles) {
    logText("NumFiles is out of range, no file is read: ");
    logSignedLine(numFiles);
    numFiles = 0;
  }
  if (numFiles > 0) readFileList(argc, argn, argv);
}

void PageParameters::readNamedValues() {
  if (!argNames) return;
  for (int j = 0; j < argCount; ++j) {
    const char* name = argNames[j];
    if (!name) continue;
    const char* value = argValues ? argValues[j] : nullptr;
    for (const NamedValue& named : kNamedValues)
      if (namesMatch(name, named.name)) this->*named.field = value;
    if (namesMatch(name, "CloseWindow")) closeWindowGiven = true;
    if (namesMatch(name, "NumFiles")) numFiles = readLeadingInteger(value);
    if (namesMatch(name, "InstallMode")) installMode = namesMatch(value, "true");
    if (namesMatch(name, "LaunchClient")) launchClient = !namesMatch(value, "false");
  }
}

bool PageParameters::allocateFileList() {
  const uint32 count = static_cast<uint32>(numFiles);
  ScopedBlock<char*> names(static_cast<char**>(NPN_MemAlloc(count * sizeof(char*))));
  ScopedBlock<int> sizes(static_cast<int*>(NPN_MemAlloc(count * sizeof(int))));
  ScopedBlock<char*> hashes(static_cast<char**>(NPN_MemAlloc(count * sizeof(char*))));
  if (names && sizes && hashes) {
    std::memset(names.get(), 0, count * sizeof(char*));
    std::memset(sizes.get(), 0, count * sizeof(int));
    std::memset(hashes.get(), 0, count * sizeof(char*));
    fileNames = names.release();
    fileSizes = sizes.release();
    fileHashes = hashes.release();
    return true;
  }
  logLine("The file list could not be allocated.");
  fileNames = nullptr;
  fileSizes = nullptr;
  fileHashes = nullptr;
  numFiles = 0;
  return false;
}

// File names and sizes come from the parameters exactly as the browser passed them: the
// names of package files are never converted.
void PageParameters::readFileList(int16 argc, char* argn[], char* argv[]) {
  if (!allocateFileList()) return;
  FileParameterPositions positions;
  findFileParameters(argc, argn, positions);
  for (int n = 0; n < numFiles; ++n) {
    const int name = positions.of(kFileName, n);
    const int size = positions.of(kFileSize, n);
    const int hash = positions.of(kFileSha256, n);
    if (name >= 0) fileNames[n] = copyString(argv ? argv[name] : nullptr);
    if (size >= 0) fileSizes[n] = readLeadingInteger(argv ? argv[size] : nullptr);
    if (hash >= 0) fileHashes[n] = copyString(argv ? argv[hash] : nullptr);
  }
}

int64_t PageParameters::declaredTotal() const {
  int64_t total = 0;
  for (int n = 0; n < numFiles; ++n)
    if (fileSizes[n] > 0) total += fileSizes[n];
  return total;
}

void PageParameters::release() {
  NPN_MemFree(fileSizes);
  freeStringArray(fileNames, numFiles);
  freeStringArray(fileHashes, numFiles);
  freeStringArray(argNames, argCount);
  freeStringArray(argValues, argCount);
  *this = PageParameters();
}
