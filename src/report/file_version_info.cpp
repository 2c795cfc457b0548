// Reading a file's version resource into report lines.
#include "report/file_version_info.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "log/CTextBuffer.h"

namespace {

// The texts asked for, in the order they are reported.
const char* const kVersionKeys[] = {
    "CompanyName",      "FileDescription", "FileVersion", "InternalName",
    "LegalCopyright",   "OriginalFilename", "ProductName", "ProductVersion",
    "Comments",         "LegalTrademarks", "PrivateBuild", "SpecialBuild",
};

// The value at a path inside a version block, or null.
const void* queryVersionValue(const void* block, const char* subBlock, UINT* size) {
  void* value = nullptr;
  *size = 0;
  return VerQueryValueA(block, subBlock, &value, size) ? value : nullptr;
}

void appendFixedVersion(CTextBuffer& buffer, const void* block, const char* title) {
  UINT size = 0;
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(queryVersionValue(block, "\\", &size));
  if (!fixed || size < sizeof(VS_FIXEDFILEINFO)) return;
  buffer.append("  ").append(title).append(" version: ");
  buffer.appendUnsigned(HIWORD(fixed->dwFileVersionMS)).appendChar('.');
  buffer.appendUnsigned(LOWORD(fixed->dwFileVersionMS)).appendChar('.');
  buffer.appendUnsigned(HIWORD(fixed->dwFileVersionLS)).appendChar('.');
  buffer.appendUnsigned(LOWORD(fixed->dwFileVersionLS)).append("\r\n");
}

void appendVersionTexts(CTextBuffer& buffer, const void* block) {
  UINT size = 0;
  const auto* translation = static_cast<const WORD*>(queryVersionValue(block, "\\VarFileInfo\\Translation", &size));
  // Only the first translation is read: language, then code page.
  if (!translation || size < 2 * sizeof(WORD)) return;
  for (const char* key : kVersionKeys) {
    char query[64];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", static_cast<unsigned>(translation[0]),
                  static_cast<unsigned>(translation[1]), key);
    UINT length = 0;
    const auto* value = static_cast<const char*>(queryVersionValue(block, query, &length));
    if (!value) continue;
    // The length the block gives bounds the text, whether or not it counts a NUL.
    buffer.append("  ").append(key).append(": ").appendCounted(value, strnlen(value, length)).append("\r\n");
  }
}

}  // namespace

void appendFileVersionInfo(CTextBuffer& buffer, const char* path, const char* title) {
  if (!path || !*path) return;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return;
  buffer.append(title).append(" Information\r\n");
  const ScopedBlock<void> block(NPN_MemAlloc(size));
  if (!block || !GetFileVersionInfoA(path, 0, size, block.get())) return;
  appendFixedVersion(buffer, block.get(), title);
  appendVersionTexts(buffer, block.get());
}
