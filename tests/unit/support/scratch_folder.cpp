// ScratchFolder: per-test folders and environment, cleaned up afterwards.
#include "support/scratch_folder.h"

#include <atomic>

namespace {

std::atomic<int> g_counter{0};

void removeTree(const std::string& path) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) makeDirectoryReadOnly(child, false);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        removeTree(child);
      else
        DeleteFileA(child.c_str());
    } while (FindNextFileA(search, &entry));
    FindClose(search);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(path.c_str());
}

std::string temporaryDirectory() {
  char buffer[MAX_PATH];
  GetTempPathA(MAX_PATH, buffer);
  return buffer;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  m_path = temporaryDirectory() + "ostrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++g_counter);
  CreateDirectoryA(m_path.c_str(), nullptr);
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  m_oldDirectory = current;
}

ScratchFolder::~ScratchFolder() {
  SetCurrentDirectoryA(m_oldDirectory.c_str());
  for (const auto& saved : m_savedVariables)
    SetEnvironmentVariableA(saved.first.c_str(), saved.second.first ? saved.second.second.c_str() : nullptr);
  removeTree(m_path);
}

void ScratchFolder::setVariable(const std::string& name, const char* value) {
  if (!m_savedVariables.count(name)) {
    char old[32768];
    const DWORD n = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
    m_savedVariables[name] = {n != 0, n != 0 ? std::string(old) : std::string()};
  }
  SetEnvironmentVariableA(name.c_str(), value);
}

bool makeDirectoryReadOnly(const std::string& path, bool readOnly) {
  const size_t cut = path.find_last_of('\\');
  const std::string parent = path.substr(0, cut);
  std::string command = std::string("/bin/chmod ") + (readOnly ? "555 " : "755 ") + path.substr(cut + 1);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:\\bin\\chmod", &command[0], nullptr, nullptr, FALSE, 0, nullptr, parent.c_str(),
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // A Unix program's handle cannot be waited for; watch for its effect instead.
  for (int i = 0; i < 500; ++i) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && ((attributes & FILE_ATTRIBUTE_READONLY) != 0) == readOnly)
      return true;
    Sleep(10);
  }
  return false;
}

std::string shortPathOf(const std::string& path) {
  char buffer[MAX_PATH] = "";
  GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
  return buffer;
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
