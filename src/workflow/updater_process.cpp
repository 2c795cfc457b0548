// formUpdaterCommand and startProgram, shared by the install run and the client start.
#include "workflow/updater_process.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/client_install_dir.h"

bool formUpdaterCommand(char* command, const char* directory, const char* switchText, const char* configFile) {
  std::memset(command, 0, kCommandLineCapacity);
  const bool formed = appendWhole(command, kCommandLineCapacity, "\"") &&
                      appendWhole(command, kCommandLineCapacity, directory) &&
                      appendWhole(command, kCommandLineCapacity, kUpdaterRelativePath) &&
                      appendWhole(command, kCommandLineCapacity, "\" ") &&
                      (!switchText || (appendWhole(command, kCommandLineCapacity, switchText) &&
                                       appendWhole(command, kCommandLineCapacity, " "))) &&
                      appendWhole(command, kCommandLineCapacity, "\"") &&
                      appendWhole(command, kCommandLineCapacity, configFile) &&
                      appendWhole(command, kCommandLineCapacity, "\"");
  if (!formed) command[0] = '\0';
  return formed;
}

StartedProgram startProgram(char* command) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  StartedProgram started;
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return started;
  started.process.reset(process.hProcess);
  started.thread.reset(process.hThread);
  return started;
}
