// Finite waits for a request: connecting, sending and receiving each give up after a
// set time, so that a server that accepts and never answers cannot hold a thread.
#pragma once

#include <windows.h>
#include <wininet.h>

// The install log's upload runs on the browser's thread at teardown: a stalled receiver
// may cost the page at most this long per step, and a working one answers far sooner.
constexpr DWORD kLogUploadTimeoutMs = 5000;

// Sets the connect, send and receive timeouts of a request handle; false when the
// handle refused one of them.
bool setRequestTimeouts(HINTERNET request, DWORD milliseconds);
