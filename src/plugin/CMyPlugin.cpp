// CMyPlugin construction, parameter lookup and teardown.
#include "plugin/CMyPlugin.h"

#include <cstring>

#include "base/host_services.h"
#include "base/string_copy.h"
#include "log/install_log.h"
#include "plugin/progress_dialog.h"
#include "plugin/work_directory.h"

namespace {

constexpr int kDialogTemplateNT = 103;
constexpr int kDialogTemplate9x = 104;

int dialogTemplateForPlatform() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  GetVersionExA(&version);
  return version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? kDialogTemplate9x : kDialogTemplateNT;
}

}  // namespace

CMyPlugin::CMyPlugin() : m_progress(&m_progressDialog) { setDefaults(); }

void CMyPlugin::setDefaults() {
  m_dialogTemplateId = dialogTemplateForPlatform();
  m_npp = nullptr;
  m_workerDoneEvent = nullptr;
  m_frameWindow = nullptr;
  m_argCount = 0;
  m_argNames = nullptr;
  m_argValues = nullptr;
  m_npWindow = nullptr;
  m_redirectUrlIndex = -1;
  m_closeWindowIndex = -1;
  m_targetWindowIndex = -1;
  m_installMode = 0;
  m_launchClient = 1;
  m_closeWindowGiven = 0;
  m_updaterInstalled = 0;
  m_programTitleIndex = -1;
  m_changeDirectoryExceptionMessageIndex = -1;
  m_unsupportedPlatformErrorIndex = -1;
  m_installLogUrlIndex = -1;
  m_siteMinderHeaderIndex = -1;
  m_closeWindowUrlIndex = -1;
  m_installErrorHttpIndex = -1;
  m_fileNames = nullptr;
  m_fileSizes = nullptr;
  m_fileHashes = nullptr;
  m_workDirectory = nullptr;
  m_workDirectoryClaim = nullptr;
  m_numFiles = 0;
  m_progressDialog = nullptr;
  m_progress.reset();
  m_internet = nullptr;
  m_runControl = nullptr;
  std::memset(m_configFilePath, 0, sizeof m_configFilePath);
  m_downloadPromptIndex = -1;
  m_workerStarted = 0;
  m_closingThread = nullptr;
  m_closingClaimed = 0;
}

const char* CMyPlugin::GetParameter(int position) const {
  if (position < 0 || position >= m_argCount || !m_argValues) return nullptr;
  return m_argValues[position];
}

NPError CMyPlugin::Destroy(NPSavedData** /*save*/) {
  // The upload needs the internet session, so the log goes out before it is closed.
  sendInstallLog(this);
  // A failure to close changes nothing for the teardown. A download the worker walked
  // away from may still hold a request of the session: the control closes it after that.
  if (m_runControl)
    m_runControl->release();
  else if (m_internet)
    InternetCloseHandle(m_internet);

  NPN_MemFree(m_workDirectory);
  releaseWorkDirectory(&m_workDirectoryClaim);
  NPN_MemFree(m_fileSizes);
  destroyProgressDialog(*this);
  freeStringArray(m_fileNames, m_numFiles);
  freeStringArray(m_fileHashes, m_numFiles);
  freeStringArray(m_argNames, m_argCount);
  freeStringArray(m_argValues, m_argCount);
  setDefaults();
  return NPERR_NO_ERROR;
}
