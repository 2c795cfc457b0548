// loadPropertyFile: the whole file into one block, into the ANSI code page, then the
// configuration-file reader.
#include "download/property_file.h"

#include <windows.h>

#include <cstdio>

#include "base/host_services.h"
#include "base/scoped_block.h"
#include "base/text_conversion.h"
#include "download/property_text.h"
#include "log/install_log.h"

namespace {

// Every length below stays within the int that the conversion functions take, and the
// size + 1 of the block cannot wrap.
constexpr DWORD kLargestFile = 0x7FFFFFFE;

// A block with the file's size bytes and a NUL after them, or null when the file could
// not be opened or gave fewer bytes.
char* readWholeFile(const char* path, DWORD size) {
  ScopedBlock<char> block(static_cast<char*>(NPN_MemAlloc(size + 1)));
  if (!block) return nullptr;
  FILE* file = std::fopen(path, "rb");
  const size_t got = file ? std::fread(block.get(), 1, size, file) : 0;
  if (file) std::fclose(file);
  if (got != size) return nullptr;
  block.get()[size] = '\0';
  return block.release();
}

}  // namespace

void loadPropertyFile(CPropertyMap& map, unsigned int codePage, const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!path || !GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return;
  const DWORD size = attributes.nFileSizeLow;
  if (size == 0 || size > kLargestFile || attributes.nFileSizeHigh != 0) return;
  ScopedBlock<char> bytes(readWholeFile(path, size));
  if (!bytes) return;
  int ansiLength = 0;
  const ScopedBlock<char> ansi(convertToAnsi(codePage, bytes.get(), static_cast<int>(size), &ansiLength));
  // The file's own bytes go before the text is read: a large file is not held twice.
  bytes.reset();
  if (!ansi) return;
  const int32_t dropped = parseConfigurationText(map, ansi.get(), static_cast<size_t>(ansiLength));
  if (dropped == 0) return;
  auto lock = lockInstallLog();
  logText("Configuration file pairs dropped, too long or no memory: ");
  logSignedLine(dropped);
}
