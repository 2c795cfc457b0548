// The dated client configuration files in the temporary directory: the instance's own,
// downloaded once, and the clean-up of those of earlier runs.
#pragma once

#include <cstdint>

#include "base/download_result.h"
#include "base/npapi.h"

#include "base/path_text.h"
#include "base/step_outcome.h"

class CLogInstance;
class CTextBuffer;
struct Transfer;

// The most bytes a configuration file may have, 1 MiB: it holds a few hundred bytes, and
// it is read into memory whole.
constexpr uint32_t kMostConfigurationBytes = 1u << 20;

// The instance's configuration file, once fetched: every later step uses the same file.
struct ConfigurationFile {
  char path[kPathCapacity] = "";
};

// The path of the instance's configuration file into buffer (size bytes), downloaded
// through transfer into the temporary directory on the first call and kept in file;
// later calls give the same path whatever their arguments. The download's outcome:
// kDownloadOk once the file is there (every later call), otherwise why it is not
// (kDownloadNoDirectory, with buffer empty, when its path would not fit;
// kDownloadReadFailed, with no file left, for one over kMostConfigurationBytes; an open
// that failed carries the answer's status for the user).
StepOutcome fetchConfigFile(const Transfer& transfer, ConfigurationFile& file, const char* url,
                            const char* baseDirectory, char* buffer, int size);
// Deletes the oldest files matching pattern in directory so that the 13 newest remain.
void cleanOlderConfigFiles(const CLogInstance* instance, const char* pattern, const char* directory);
// Appends "_" and value, zero-padded to width digits, to a file name being formed.
void appendDateField(const CLogInstance* instance, CTextBuffer& buffer, uint16 value, uint16 width);
