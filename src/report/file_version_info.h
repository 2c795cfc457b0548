// The version block of a file, as the install log's upload reports it.
#pragma once

class CTextBuffer;

// Appends "<title> Information", the file version and the version texts of the file's
// first translation. Nothing for an empty path or a file without a version resource.
void appendFileVersionInfo(CTextBuffer& buffer, const char* path, const char* title);
