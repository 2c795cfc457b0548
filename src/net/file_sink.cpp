// CFileSink: the file, its digest and their end.
#include "net/file_sink.h"

#include <new>

#include "base/directory_tree.h"

CFileSink::CFileSink(uint32_t mostBytes, uint32_t mostUnknown) : m_mostBytes(mostBytes), m_mostUnknown(mostUnknown) {}

CFileSink::~CFileSink() {
  if (!m_file || m_kept) return;
  // Closed before it is deleted: an open file would only be marked for deletion.
  m_file.reset();
  DeleteFileA(m_path);
}

DownloadResult CFileSink::open(const char* directory, const char* fileName, bool withDigest) {
  createDirectoryTree(directory);
  const DWORD attributes = GetFileAttributesA(directory);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return kDownloadNoDirectory;
  if (!joinPath(m_path, sizeof m_path, directory, fileName)) return kDownloadNoLocalFile;
  // Shared for deletion: a download the worker walks away from is deleted by name at
  // once, and the system removes it when the last handle goes, at the latest with the
  // process.
  m_file.reset(CreateFileA(m_path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, 0,
                           nullptr));
  if (!m_file) return kDownloadNoLocalFile;
  if (withDigest) m_digest.reset(new (std::nothrow) CSha256);
  return kDownloadOk;
}

bool CFileSink::startOver() {
  if (m_digest) m_digest.reset(new (std::nothrow) CSha256);
  return SetFilePointer(m_file.get(), 0, nullptr, FILE_BEGIN) == 0 && SetEndOfFile(m_file.get());
}

bool CFileSink::digestIs(const char* expectedHex, char (&received)[kSha256HexSize]) {
  received[0] = '\0';
  return m_digest && m_digest->finish(received) && sameSha256Hex(received, expectedHex);
}

void CFileSink::leaveToJob() {
  DeleteFileA(m_path);
  m_file.release();
}
