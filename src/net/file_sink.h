// The local file a download writes into: made in its directory (made first, with its
// parents), its bytes' SHA-256 formed as they are written when the page gave one, and the
// size cap of a body whose length the answer does not declare. A scoped owner: the file
// is closed when the sink goes and, unless the download kept it, deleted, so that a failed
// download leaves no file behind. Used by one download on the instance's worker.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "base/download_result.h"
#include "base/path_text.h"
#include "base/scoped_handle.h"
#include "base/sha256_digest.h"

class CFileSink {
 public:
  // mostBytes: the caller's bound on the body (0: none); mostUnknown: the most a body
  // without a declared length may have.
  CFileSink(uint32_t mostBytes, uint32_t mostUnknown);
  ~CFileSink();
  CFileSink(const CFileSink&) = delete;
  CFileSink& operator=(const CFileSink&) = delete;

  // Makes directory and the file fileName in it, and a digest with withDigest: kDownloadOk,
  // kDownloadNoDirectory or kDownloadNoLocalFile.
  DownloadResult open(const char* directory, const char* fileName, bool withDigest);

  HANDLE file() const { return m_file.get(); }
  const char* path() const { return m_path; }
  // The body's bound: the caller's, and for a body of unknown length the most it may have.
  uint32_t mostBytes() const { return m_mostBytes; }
  uint32_t mostUnknownBytes() const { return m_mostBytes && m_mostBytes < m_mostUnknown ? m_mostBytes : m_mostUnknown; }

  // The digest goes to the body's copy while it runs and comes back after it.
  CSha256* lendDigest() { return m_digest.release(); }
  void takeBackDigest(CSha256* digest) { m_digest.reset(digest); }
  // Back to an empty file and a fresh digest, for a server that sends the whole body again.
  bool startOver();
  // Whether the bytes written have the SHA-256 expectedHex; received holds theirs (empty
  // when none could be formed).
  bool digestIs(const char* expectedHex, char (&received)[kSha256HexSize]);

  // The download ended well: the file stays.
  void keep() { m_kept = true; }
  // The file's handle went with a job the download walked away from: the file is deleted
  // by name now (the system removes it when the job closes it) and is no longer this
  // sink's to close.
  void leaveToJob();

 private:
  const uint32_t m_mostBytes;
  const uint32_t m_mostUnknown;
  char m_path[kPathCapacity] = "";
  ScopedFileHandle m_file;
  std::unique_ptr<CSha256> m_digest;
  bool m_kept = false;
};
