// PageParameters: the embed's parameters as the page gave them, read once by NPP_New and
// never changed after; released by NPP_Destroy. The rules for reading them live here
// alone: names compare without regard to case, the later of two equal names wins, values
// are converted from UTF-8 when the page names a DocumentEncoding (the file list never
// is), and the file list has at most 1,000 entries.
#pragma once

#include <cstdint>

#include "base/npapi.h"

class PageParameters {
 public:
  // Copies and reads the browser's arrays (argc entries each; either may be null).
  void read(int16 argc, char* argn[], char* argv[]);
  // Returns every copy to the browser and puts every field back to its default.
  void release();

  // The sum of the files' declared sizes; a negative (unknown) size adds nothing.
  int64_t declaredTotal() const;

  // Each text is the page's value, or null when the page gave none.
  const char* redirectUrl = nullptr;
  const char* programTitle = nullptr;
  const char* targetWindow = nullptr;
  const char* downloadPrompt = nullptr;
  const char* changeDirectoryExceptionMessage = nullptr;
  const char* unsupportedPlatformError = nullptr;
  const char* installLogUrl = nullptr;
  const char* siteMinderHeader = nullptr;
  const char* closeWindowUrl = nullptr;
  const char* installErrorHttp = nullptr;
  // "CloseWindow" was named, whatever its value, even none (a browser may hand over an
  // attribute without a value as a null value): the only sense in which it is present.
  bool closeWindowGiven = false;
  // "InstallMode" is "true"; "LaunchClient" is anything but "false".
  bool installMode = false;
  bool launchClient = true;

  // The file list: numFiles entries in each array, or null arrays without files. A name
  // or digest the page did not give is null, a size it did not give is 0.
  int numFiles = 0;
  char** fileNames = nullptr;
  int* fileSizes = nullptr;
  char** fileHashes = nullptr;

  // The copies of the page's names and values that the texts above point into.
  int16 argCount = 0;
  char** argNames = nullptr;
  char** argValues = nullptr;

 private:
  void readNamedValues();
  void readFileList(int16 argc, char* argn[], char* argv[]);
  bool allocateFileList();
};
