// The dated client configuration files in the temporary directory: the instance's own,
// downloaded once, and the clean-up of those of earlier runs.
#pragma once

#include "base/npapi.h"

class CMyPlugin;
class CTextBuffer;

// The path of the instance's configuration file into buffer (size bytes), downloaded
// on the first call; later calls give the same path whatever their arguments.
void fetchConfigFile(CMyPlugin& plugin, const char* url, const char* baseDirectory, char* buffer, int size);
// Deletes the oldest files matching pattern in directory so that the 13 newest remain.
void cleanOlderConfigFiles(CMyPlugin& plugin, const char* pattern, const char* directory);
// Appends "_" and value, zero-padded to width digits, to a file name being formed.
void appendDateField(CMyPlugin& plugin, CTextBuffer& buffer, uint16 value, uint16 width);
