// A uniquely named folder under the temporary directory for one test, removed with
// everything in it afterwards; also keeps and restores environment variables.
#pragma once

#include <windows.h>

#include <map>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "\\" + name; }
  // Sets an environment variable for this test; the old value comes back afterwards.
  void setVariable(const std::string& name, const char* value);

 private:
  std::string m_path;
  std::string m_oldDirectory;
  std::map<std::string, std::pair<bool, std::string>> m_savedVariables;
};

std::string shortPathOf(const std::string& path);
// Makes a directory read-only the way the file system reports it: Wine keeps no
// read-only attribute for directories and takes it from the Unix permissions, so the
// Unix chmod sets them (Wine starts Unix programs for Windows ones).
bool makeDirectoryReadOnly(const std::string& path, bool readOnly);
bool isDirectory(const std::string& path);
