// The sample client's updater, which the plug-in runs twice in a client's life:
//   updater.exe -install CONFIG   install the tree it was unpacked in (the folder above
//                                 its bin folder) and register the installation
//   updater.exe CONFIG            start the client beside it with that configuration file
// Every step goes to the record (sample_record.h); failures also to the error output.
// OSTREL_SAMPLE_INSTALL_MS makes an install run wait that long first, as a long install
// would (tests leave the page meanwhile).
#include <windows.h>
#include <shlobj.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sample_record.h"
#include "tree_copy.h"

namespace {

constexpr int kNoOwnFolder = 1;
constexpr int kUsageError = 2;
constexpr int kStartFailed = 3;
constexpr int kInstallFailed = 4;
// Where the plug-in looks for the installation (HKCU first, then HKLM).
constexpr char kClientKey[] = "SOFTWARE\\Ostrel Software, Inc.\\Ostrel Client";
constexpr char kExitCodeFile[] = "exit-code.txt";

int finish(int code) {
  recordLine("updater: exit " + std::to_string(code));
  return code;
}

int fail(int code, const std::string& reason) {
  std::fprintf(stderr, "updater: %s\n", reason.c_str());
  return finish(code);
}

std::string parentOf(const std::string& path) {
  const size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

// The folder that holds this program, without a final "\"; empty when the path is too
// long for the buffer.
std::string programFolder() {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return {};
  return parentOf(std::string(path, length));
}

// OSTREL_SAMPLE_INSTALL_DIR when set, else the user's application data folder. The
// default's blanks are deliberate: a client started from there proves the plug-in quotes
// the updater's path.
std::string installationFolder() {
  const std::string chosen = environmentText("OSTREL_SAMPLE_INSTALL_DIR");
  if (!chosen.empty()) return chosen;
  char appData[MAX_PATH] = "";
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK) return {};
  return std::string(appData) + "\\Ostrel Software\\Ostrel Client";
}

enum class ExitCodeFile { kAbsent, kNumber, kUnreadable };

// Tests put exit-code.txt beside the updater to make an install fail with that code.
ExitCodeFile readExitCodeFile(const std::string& binFolder, int& code) {
  std::FILE* file = std::fopen((binFolder + "\\" + kExitCodeFile).c_str(), "rb");
  if (!file) return ExitCodeFile::kAbsent;
  char text[32] = {};
  const size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[length] = '\0';
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(text, &end, 10);
  while (end && (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n')) ++end;
  if (end == text || !end || *end || errno == ERANGE) return ExitCodeFile::kUnreadable;
  code = static_cast<int>(number);
  return ExitCodeFile::kNumber;
}

bool registerInstallation(const std::string& folder, std::string& failure) {
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kClientKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                            static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
  }
  if (status == ERROR_SUCCESS) return true;
  failure = "cannot write InstallDir under HKCU\\" + std::string(kClientKey) + " (error " +
            std::to_string(status) + ")";
  return false;
}

// The wait OSTREL_SAMPLE_INSTALL_MS asks for, 0 without one.
DWORD installPauseMs() {
  const std::string text = environmentText("OSTREL_SAMPLE_INSTALL_MS");
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  return (text.empty() || *end) ? 0 : static_cast<DWORD>(value);
}

int install(const std::string& binFolder) {
  if (const DWORD pause = installPauseMs()) {
    recordLine("updater: install waits " + std::to_string(pause) + " ms");
    Sleep(pause);
  }
  int code = 0;
  switch (readExitCodeFile(binFolder, code)) {
    case ExitCodeFile::kNumber:
      return finish(code);
    case ExitCodeFile::kUnreadable:
      return fail(kInstallFailed, std::string(kExitCodeFile) + " holds no exit code");
    case ExitCodeFile::kAbsent:
      break;
  }
  const std::string tree = parentOf(binFolder);
  const std::string target = installationFolder();
  if (tree.empty() || target.empty()) return fail(kInstallFailed, "cannot tell the tree or the installation folder");
  // Installing a tree into a folder inside itself would copy the copies without end; the
  // tree itself as the target has nothing to copy.
  const bool inPlace = isWithinFolder(tree, target) && isWithinFolder(target, tree);
  if (!inPlace && isWithinFolder(target, tree))
    return fail(kInstallFailed, "the installation folder " + target + " lies inside the tree " + tree);
  std::string failure;
  if (!inPlace && !copyTree(tree, target, failure)) return fail(kInstallFailed, failure);
  if (!registerInstallation(target, failure)) return fail(kInstallFailed, failure);
  recordLine("updater: installed into " + target);
  return finish(0);
}

// Starts client.exe from this program's folder and does not wait for it.
int startClient(const std::string& binFolder, const std::string& configuration) {
  const std::string client = binFolder + "\\client.exe";
  const std::string command = "\"" + client + "\" \"" + configuration + "\"";
  recordLine("updater: starting client " + command);
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> commandLine(command.begin(), command.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(client.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return fail(kStartFailed, "cannot start " + client + " (error " + std::to_string(GetLastError()) + ")");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return finish(0);
}

}  // namespace

int main(int argc, char** argv) {
  recordLine(std::string("updater: command line ") + GetCommandLineA());
  const std::string binFolder = programFolder();
  if (binFolder.empty()) return fail(kNoOwnFolder, "cannot tell its own folder");
  if (argc >= 2 && _stricmp(argv[1], "-install") == 0) return install(binFolder);
  if (argc == 2) return startClient(binFolder, argv[1]);
  return fail(kUsageError, "usage: updater.exe -install CONFIG | updater.exe CONFIG");
}
