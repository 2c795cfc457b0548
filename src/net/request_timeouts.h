// Finite waits for every request: connecting, sending and receiving each give up after a
// set time, so that a server that accepts and never answers, or stops sending in the
// middle of a body, cannot hold a thread.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/run_limits.h"

struct RequestTimeouts {
  DWORD connectMs;
  DWORD sendMs;
  DWORD receiveMs;  // the longest silence within an answer, not the whole transfer
};

// Configuration files, package lists and packages, fetched by the worker: long enough for
// a slow link or a busy server, short enough that a dead one fails the run within a
// minute rather than never.
constexpr RequestTimeouts kDownloadTimeouts = {10000, 10000, 20000};

// The install log's upload runs on the browser's thread at teardown: a stalled receiver
// may cost the page at most this long per step, and a working one answers far sooner. A
// receiver that never falls silent trips none of them: the upload as a whole has a
// wall-time bound of its own besides (see postLogText).
constexpr DWORD kLogUploadTimeoutMs = 5000;
constexpr RequestTimeouts kLogUploadTimeouts = {kLogUploadTimeoutMs, kLogUploadTimeoutMs, kLogUploadTimeoutMs};

// Sets the three timeouts on a connection or request handle; false when the handle
// refused one of them.
bool setRequestTimeouts(HINTERNET handle, const RequestTimeouts& timeouts);

// The download timeouts, or the one timeout that limits give for all three steps.
RequestTimeouts downloadTimeouts(const RunLimits& limits);

// Gives every handle made through the session, as it is created and before its request
// is sent, the timeouts its request names: a request made with a context of
// timedRequestContext(timeouts) takes them, and they must outlive the call that makes it.
// A session's own send and receive timeouts do not reach the requests made through it
// everywhere, and a URL opened in one call hands out its handle only after the answer came.
void timeNewHandles(HINTERNET session);

// The context value that makes a request's handles take timeouts (see timeNewHandles).
DWORD_PTR timedRequestContext(const RequestTimeouts* timeouts);
