// Ownership of one internet handle (a session, a connection, a request): closed when its
// owner goes. Apart from scoped_handle.h so that only the code that talks to the network
// takes in the internet library's header.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/scoped_handle.h"

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static Handle none() { return nullptr; }
  static void close(Handle handle) { InternetCloseHandle(handle); }
};

using ScopedInternetHandle = ScopedHandle<InternetHandleTraits>;
