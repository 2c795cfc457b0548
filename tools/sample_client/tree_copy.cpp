// copyTree and its helpers, on the ANSI file functions (paths up to MAX_PATH, which the
// sample's folders never approach; a longer one fails and is reported).
#include "tree_copy.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {

bool isFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string errorText(const std::string& what) {
  return what + " (error " + std::to_string(GetLastError()) + ")";
}

std::string fullPath(const std::string& path) {
  char full[MAX_PATH] = "";
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  std::string text = (length > 0 && length < sizeof full) ? std::string(full, length) : path;
  while (text.size() > 3 && (text.back() == '\\' || text.back() == '/')) text.pop_back();
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c == '/' ? '\\' : std::tolower(c)); });
  return text;
}

bool isDotEntry(const char* name) { return std::string(name) == "." || std::string(name) == ".."; }

bool copyEntry(const WIN32_FIND_DATAA& entry, const std::string& from, const std::string& to,
               std::string& failure) {
  const std::string source = from + "\\" + entry.cFileName;
  const std::string target = to + "\\" + entry.cFileName;
  if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return copyTree(source, target, failure);
  if (CopyFileA(source.c_str(), target.c_str(), FALSE)) return true;
  failure = errorText("cannot copy " + source + " to " + target);
  return false;
}

}  // namespace

bool makeFolderPath(const std::string& folder) {
  if (isFolder(folder)) return true;
  const size_t separator = folder.find_last_of("\\/");
  // The parent first; a drive root or a bare name has none to make.
  if (separator != std::string::npos && separator > 2) makeFolderPath(folder.substr(0, separator));
  CreateDirectoryA(folder.c_str(), nullptr);
  return isFolder(folder);
}

bool copyTree(const std::string& from, const std::string& to, std::string& failure) {
  if (!makeFolderPath(to)) {
    failure = errorText("cannot make the folder " + to);
    return false;
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((from + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    failure = errorText("cannot list the folder " + from);
    return false;
  }
  bool copied = true;
  do {
    if (!isDotEntry(entry.cFileName)) copied = copyEntry(entry, from, to, failure);
  } while (copied && FindNextFileA(search, &entry));
  FindClose(search);
  return copied;
}

bool isWithinFolder(const std::string& path, const std::string& folder) {
  const std::string inner = fullPath(path);
  std::string outer = fullPath(folder);
  if (inner == outer) return true;
  if (outer.back() != '\\') outer += '\\';
  return inner.compare(0, outer.size(), outer) == 0;
}
