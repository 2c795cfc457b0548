// Setting a request's timeouts.
#include "net/request_timeouts.h"

bool setRequestTimeouts(HINTERNET request, DWORD milliseconds) {
  const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                           INTERNET_OPTION_RECEIVE_TIMEOUT};
  bool all = true;
  for (DWORD option : options) {
    DWORD value = milliseconds;
    if (!InternetSetOptionA(request, option, &value, sizeof value)) all = false;
  }
  return all;
}
