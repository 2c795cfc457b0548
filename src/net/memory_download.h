// Fetching one URL's whole body into memory for an instance's worker: the texts an
// update reads whole (the package list, a release's manifest). Runs on the worker.
//
// Policy: the request goes out as every download's does (OpenURL: the proxy, the
// Accept-Language header, the sign-on cookie, timeouts, redirects, cancel), and only a
// 2xx answer counts. The body is read on a session job, so that leaving the page never
// waits for the server. A body past the caller's bound is refused, not cut: half a list
// would read as another one.
#pragma once

#include <cstddef>
#include <string>

#include "base/step_outcome.h"

struct Transfer;

enum class MemoryDownloadEnd {
  kWhole,       // body holds the whole body
  kNotOpened,   // the URL could not be opened (the outcome carries the answer's status)
  kReadFailed,  // a read failed, or the body ended before its Content-Length (logged
                // with the system's code)
  kTooLarge,    // the body went past the bound
  kNoMemory,    // no memory to keep the body in
  kCancelled,   // the page was left: nothing was logged
  kFault,       // a fault ended it (logged by the guard)
};

// How a fetch into memory ended, as one value: the outcome for the caller (kDownloadOk
// with kWhole; an open that failed carries the answer's status for the user) and the end
// that tells the ways a body can fail apart.
struct MemoryDownload : StepOutcome {
  MemoryDownloadEnd end = MemoryDownloadEnd::kFault;
};

// Fetches url into body (emptied first; filled only when kWhole), at most mostBytes.
// Runs under the method guard named traceName, a literal that outlives the call; a close
// of the request that fails is logged as "InternetCloseHandle failed in traceName".
MemoryDownload downloadIntoMemory(const Transfer& transfer, const char* url, size_t mostBytes, const char* traceName,
                                  std::string& body);
