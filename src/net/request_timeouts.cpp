// Setting a handle's timeouts.
#include "net/request_timeouts.h"

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

// The new handle is the first word of what the status points at: a handle on some
// systems, a result record that starts with it on others.
void CALLBACK onStatus(HINTERNET /*handle*/, DWORD_PTR context, DWORD status, void* information,
                       DWORD length) {
  if (status != INTERNET_STATUS_HANDLE_CREATED || !context || !information || length < sizeof(HINTERNET)) return;
  setRequestTimeouts(*static_cast<HINTERNET*>(information), *reinterpret_cast<const RequestTimeouts*>(context));
}

}  // namespace

RequestTimeouts downloadTimeouts(const RunLimits& limits) {
  const DWORD one = limits.timeoutMs;
  return one ? RequestTimeouts{one, one, one} : kDownloadTimeouts;
}

void timeNewHandles(HINTERNET session) {
  setRequestTimeouts(session, kDownloadTimeouts);
  InternetSetStatusCallbackA(session, onStatus);
}

DWORD_PTR timedRequestContext(const RequestTimeouts* timeouts) { return reinterpret_cast<DWORD_PTR>(timeouts); }
