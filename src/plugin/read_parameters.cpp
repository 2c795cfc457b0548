// CMyPlugin::ReadParameters: the embed's named parameters into the instance record.
#include <cstring>

#include "base/host_services.h"
#include "base/leading_integer.h"
#include "base/path_text.h"
#include "base/string_copy.h"
#include "base/text_conversion.h"
#include "log/install_log.h"
#include "plugin/CMyPlugin.h"
#include "plugin/work_directory.h"

namespace {

// Pages list a handful of package files (from the hundredth on, every entry reads the
// same "File" parameter). A larger count is a mistake in the page; honouring it would
// mean huge allocations and a walk of the parameters for each entry.
constexpr int kMaxFiles = 1000;

bool namesMatch(const char* name, const char* wanted) {
  return name && lstrcmpiA(name, wanted) == 0;
}

// Only names that begin with "F" can be "File" n or "FileSize" n; checking the first
// letter first spares the locale-aware comparison for all the others.
bool mayBeFileParameter(const char* name) { return name && (name[0] | 0x20) == 'f'; }

bool hasParameter(int16 argc, char* argn[], const char* wanted) {
  if (!argn) return false;
  for (int j = 0; j < argc; ++j)
    if (namesMatch(argn[j], wanted)) return true;
  return false;
}

// "File" or "FileSize" followed by n: one digit below 10, two up to 99, none from 100 on.
void formNumberedName(char* out, const char* stem, int n) {
  std::strcpy(out, stem);
  char* end = out + std::strlen(out);
  if (n < 10) {
    *end++ = static_cast<char>('0' + n);
  } else if (n < 100) {
    *end++ = static_cast<char>('0' + n / 10);
    *end++ = static_cast<char>('0' + n % 10);
  }
  *end = '\0';
}

// Every recognised parameter whose position is kept.
struct PositionParameter {
  const char* name;
  int CMyPlugin::*field;
};

constexpr PositionParameter kPositionParameters[] = {
    {"RedirectURL", &CMyPlugin::m_redirectUrlIndex},
    {"ProgramTitle", &CMyPlugin::m_programTitleIndex},
    {"CloseWindow", &CMyPlugin::m_closeWindowIndex},
    {"TargetWindow", &CMyPlugin::m_targetWindowIndex},
    {"DownloadPrompt", &CMyPlugin::m_downloadPromptIndex},
    {"ChangeDirectoryExceptionMessage", &CMyPlugin::m_changeDirectoryExceptionMessageIndex},
    {"UnsupportedPlatformError", &CMyPlugin::m_unsupportedPlatformErrorIndex},
    {"InstallLogURL", &CMyPlugin::m_installLogUrlIndex},
    {"SiteMinderHeader", &CMyPlugin::m_siteMinderHeaderIndex},
    {"CloseWindowUrl", &CMyPlugin::m_closeWindowUrlIndex},
    {"InstallErrorHTTP", &CMyPlugin::m_installErrorHttpIndex},
};

}  // namespace

NPError CMyPlugin::ReadParameters(uint16 /*mode*/, int16 argc, char* argn[], char* argv[],
                                  NPSavedData* /*saved*/) {
  m_argCount = argc < 0 ? 0 : argc;
  m_argNames = copyStringArray(argn, argc);
  if (hasParameter(argc, argn, "DocumentEncoding"))
    m_argValues = copyStringArray(argv, argc, ConvertUtf8ToAnsi);
  if (!m_argValues) m_argValues = copyStringArray(argv, argc);
  readRecognisedParameters();

  char workDirectory[kPathCapacity];
  claimWorkDirectory(workDirectory, &m_workDirectoryClaim);
  m_workDirectory = copyString(workDirectory);

  // A negative count means no files; keeping it would mislead every loop over the list.
  if (m_numFiles < 0) m_numFiles = 0;
  if (m_numFiles > kMaxFiles) {
    logText("NumFiles is out of range, no file is read: ");
    logSignedLine(m_numFiles);
    m_numFiles = 0;
  }
  if (m_numFiles > 0) readFileList(argc, argn, argv);
  return NPERR_NO_ERROR;
}

void CMyPlugin::readRecognisedParameters() {
  if (!m_argNames) return;
  for (int j = 0; j < m_argCount; ++j) {
    const char* name = m_argNames[j];
    if (!name) continue;
    for (const PositionParameter& parameter : kPositionParameters)
      if (namesMatch(name, parameter.name)) this->*parameter.field = j;
    if (namesMatch(name, "CloseWindow")) m_closeWindowGiven = 1;
    if (namesMatch(name, "NumFiles")) m_numFiles = readLeadingInteger(GetParameter(j));
    if (namesMatch(name, "InstallMode")) m_installMode = namesMatch(GetParameter(j), "true");
    if (namesMatch(name, "LaunchClient")) m_launchClient = !namesMatch(GetParameter(j), "false");
  }
}

// File names and sizes come from the parameters exactly as the browser passed them: the
// names of package files are never converted.
void CMyPlugin::readFileList(int16 argc, char* argn[], char* argv[]) {
  m_fileNames = static_cast<char**>(NPN_MemAlloc(static_cast<uint32>(m_numFiles) * sizeof(char*)));
  m_fileSizes = static_cast<int*>(NPN_MemAlloc(static_cast<uint32>(m_numFiles) * sizeof(int)));
  m_fileHashes = static_cast<char**>(NPN_MemAlloc(static_cast<uint32>(m_numFiles) * sizeof(char*)));
  if (!m_fileNames || !m_fileSizes || !m_fileHashes) {
    logLine("The file list could not be allocated.");
    NPN_MemFree(m_fileNames);
    NPN_MemFree(m_fileSizes);
    NPN_MemFree(m_fileHashes);
    m_fileNames = nullptr;
    m_fileSizes = nullptr;
    m_fileHashes = nullptr;
    m_numFiles = 0;
    return;
  }
  std::memset(m_fileNames, 0, static_cast<size_t>(m_numFiles) * sizeof(char*));
  std::memset(m_fileSizes, 0, static_cast<size_t>(m_numFiles) * sizeof(int));
  std::memset(m_fileHashes, 0, static_cast<size_t>(m_numFiles) * sizeof(char*));

  int64_t total = 0;
  for (int n = 0; n < m_numFiles; ++n) {
    char fileName[16];
    char sizeName[16];
    char hashName[16];
    formNumberedName(fileName, "File", n);
    formNumberedName(sizeName, "FileSize", n);
    formNumberedName(hashName, "FileSha256", n);
    for (int k = 0; argn && k < argc; ++k) {
      if (!mayBeFileParameter(argn[k])) continue;
      if (namesMatch(argn[k], fileName)) {
        NPN_MemFree(m_fileNames[n]);
        m_fileNames[n] = copyString(argv ? argv[k] : nullptr);
      } else if (namesMatch(argn[k], sizeName)) {
        m_fileSizes[n] = readLeadingInteger(argv ? argv[k] : nullptr);
      } else if (namesMatch(argn[k], hashName)) {
        NPN_MemFree(m_fileHashes[n]);
        m_fileHashes[n] = copyString(argv ? argv[k] : nullptr);
      }
    }
    // The total counts each file's final size once, even when its size was given twice;
    // a negative size is an unknown one and adds nothing.
    if (m_fileSizes[n] > 0) total += m_fileSizes[n];
  }
  m_progress.setTotal(total);
}
