// CMyPlugin construction and teardown.
#include "plugin/CMyPlugin.h"


#include "base/host_services.h"
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

CMyPlugin::CMyPlugin() { setDefaults(); }

void CMyPlugin::setDefaults() {
  resetRun();
  m_dialogTemplateId = dialogTemplateForPlatform();
  m_workerDoneEvent = nullptr;
  m_frameWindow = nullptr;
  m_workDirectoryClaim = nullptr;
  m_workerStarted = 0;
  m_closingThread = nullptr;
  m_closingClaimed = 0;
  m_redirectPending = 0;
  m_closingPagePending = 0;
}

NPError CMyPlugin::Destroy(NPSavedData** /*save*/) {
  // The upload needs the internet session, so the log goes out before it is closed; the
  // upload's job keeps the session open until it ends. The teardown is the last send of
  // the page: it waits for the receiver's answer, within the upload's limit.
  sendInstallLog(this, kTeardownSend);
  // A failure to close changes nothing for the teardown. A download the worker walked
  // away from may still hold a request of the session and its file in the work
  // directory: the control closes the session and gives up the folder's claim after that.
  if (m_runControl) {
    m_runControl->keepClaim(m_workDirectoryClaim);
    m_workDirectoryClaim = nullptr;
    m_runControl->release();
  } else if (m_internet) {
    InternetCloseHandle(m_internet);
  }

  NPN_MemFree(m_workDirectory);
  NPN_MemFree(m_userAgent);
  releaseWorkDirectory(&m_workDirectoryClaim);
  destroyProgressDialog(*this);
  m_page.release();
  setDefaults();
  return NPERR_NO_ERROR;
}
