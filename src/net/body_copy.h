// Copying an answer's body into a file on a job's thread of its own: a silent server then
// holds that thread, not the worker, which can walk away when the page is left. The
// worker tells the transfer's progress what the job has counted so far.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

class CSha256;
struct Transfer;

struct BodyCopy {
  HINTERNET request;
  HANDLE file;
  CSha256* digest;    // fed with every byte written, or null; owned by the copy
  uint32_t received;  // bytes in the file so far; the copy goes on from there
  uint32_t limit;     // the copy stops once the file holds this many bytes
  uint32_t chunk;     // bytes asked for per read; 0: as the link delivers (AdaptiveReadSize)
  DWORD errorCode;    // GetLastError of the failed read or write
  bool failed;
  bool writeFailed;
  // A fault ended the copy on the job's thread; it has been reported, and the download
  // ends as a fault.
  bool faulted;
};

enum class BodyCopyEnd {
  kDone,       // copy.failed says how; everything in copy is the caller's
  kAbandoned,  // the page was left: the request, the file and the digest went with the job
};

// Reads copy.request into copy.file until the file holds copy.limit bytes or the body
// ends, whichever comes first.
BodyCopyEnd copyBodyDetached(const Transfer& transfer, BodyCopy& copy);
