// readPageFiles and acceptPageFile.
#include "download/page_files.h"

PageFiles readPageFiles(const char* const* names, const int* sizes, const char* const* hashes, int count,
                        const char* workDirectory) {
  PageFiles files(static_cast<size_t>(count > 0 ? count : 0));
  for (size_t i = 0; i < files.size(); ++i) {
    PageFile& file = files[i];
    file.text = names ? names[i] : nullptr;
    file.check = checkFileListEntry(file.text, workDirectory, file.entry);
    file.declaredSize = sizes ? sizes[i] : 0;
    file.sha256 = hashes ? hashes[i] : nullptr;
  }
  return files;
}

bool acceptPageFile(const PageFile& file) {
  if (file.check == FileListEntryCheck::kAccepted) return true;
  logFileListRefusal(file.text, file.check);
  return false;
}
