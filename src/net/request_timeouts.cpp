// Setting a handle's timeouts.
#include "net/request_timeouts.h"

#include <atomic>

bool setRequestTimeouts(HINTERNET handle, const RequestTimeouts& timeouts) {
  const struct {
    DWORD option;
    DWORD value;
  } settings[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMs},
                  {INTERNET_OPTION_SEND_TIMEOUT, timeouts.sendMs},
                  {INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receiveMs}};
  bool all = true;
  for (const auto& setting : settings) {
    DWORD value = setting.value;
    if (!InternetSetOptionA(handle, setting.option, &value, sizeof value)) all = false;
  }
  return all;
}

namespace {

std::atomic<DWORD> g_testTimeoutMs{0};

RequestTimeouts downloadTimeouts() {
  const DWORD test = g_testTimeoutMs;
  return test ? RequestTimeouts{test, test, test} : kDownloadTimeouts;
}

// The new handle is the first word of what the status points at: a handle on some
// systems, a result record that starts with it on others.
void CALLBACK onStatus(HINTERNET /*handle*/, DWORD_PTR context, DWORD status, void* information,
                       DWORD length) {
  if (status != INTERNET_STATUS_HANDLE_CREATED || context != kTimedRequestContext || !information ||
      length < sizeof(HINTERNET))
    return;
  setRequestTimeouts(*static_cast<HINTERNET*>(information), downloadTimeouts());
}

}  // namespace

DWORD downloadReceiveTimeoutMs() { return downloadTimeouts().receiveMs; }

void setDownloadTimeoutForTests(DWORD milliseconds) { g_testTimeoutMs = milliseconds; }

void timeNewHandles(HINTERNET session) {
  setRequestTimeouts(session, downloadTimeouts());
  InternetSetStatusCallbackA(session, onStatus);
}
