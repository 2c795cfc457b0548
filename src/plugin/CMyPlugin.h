// CMyPlugin: the instance record, one per embed of the plug-in on a page. Allocated and
// freed through the browser's allocator by NPP_New and NPP_Destroy. The browser's thread
// builds and tears it down; the instance's worker thread writes the update fields while
// it runs, and the browser's thread waits for the worker before tearing down.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "plugin/npapi.h"

class CTextBuffer;

class CMyPlugin {
 public:
  // Defaults for every field; the dialog template follows the platform.
  CMyPlugin();

  // Copies the embed parameters into the record, reads the recognised ones into their
  // fields, makes the work directory and reads the file list. Always 0.
  NPError ReadParameters(uint16 mode, int16 argc, char* argn[], char* argv[], NPSavedData* saved);
  // The value of the parameter at a position, or null for an absent one.
  const char* GetParameter(int position) const;

  // Callback methods; each runs under the method guard and answers as the browser
  // interface expects after a fault.
  NPError SetWindow(NPWindow* window);
  NPError CreateStream();
  NPError DestroyStream();
  void StreamAsFile();
  int32 WriteReady();
  int32 Write();
  void PrintInfo();
  void URLNotify();

  // Brings the client's files up to date in the work directory: the configuration file,
  // the package list, then every file of the page's list that brings something newer,
  // unpacked where it belongs to a file set. 0, or a code of download_files.h.
  int DownloadFiles();
  // The package list at url as ANSI text in an allocator block, or null (m_failed set).
  char* downloadPackageList(const char* url);
  // The path of this instance's configuration file into buffer (size bytes), downloaded
  // on the first call; later calls give the same path whatever their arguments.
  void fetchConfigFile(const char* url, const char* baseDirectory, char* buffer, int size);

  // Configuration files in the temporary directory: deletes the oldest files matching
  // pattern so that the 13 newest remain, and appends "_" and a zero-padded number to a
  // file name being formed.
  void cleanOlderConfigFiles(const char* pattern, const char* directory);
  void appendDateField(CTextBuffer& buffer, uint16 value, uint16 width);

  // Sends the install log, closes the internet session, releases everything the record
  // owns and puts every field back to its default. Always 0.
  NPError Destroy(NPSavedData** save);

  int m_dialogTemplateId;
  NPP m_npp;
  HANDLE m_workerDoneEvent;
  HWND m_frameWindow;
  int16 m_argCount;
  char** m_argNames;
  char** m_argValues;
  NPWindow* m_npWindow;
  int m_redirectUrlIndex;
  int m_closeWindowIndex;
  int m_targetWindowIndex;
  int m_installMode;
  int m_launchClient;
  int m_closeWindowGiven;
  int m_failed;
  int m_updaterInstalled;
  int m_programTitleIndex;
  int m_changeDirectoryExceptionMessageIndex;
  int m_unsupportedPlatformErrorIndex;
  int m_installLogUrlIndex;
  int m_siteMinderHeaderIndex;
  int m_closeWindowUrlIndex;
  int m_installErrorHttpIndex;
  char** m_fileNames;
  int* m_fileSizes;
  char* m_workDirectory;
  int m_numFiles;
  int m_totalBytes;
  int m_bytesDone;
  int m_lastPercent;
  HWND m_progressDialog;
  HINTERNET m_internet;
  char m_configFilePath[260];
  int m_downloadPromptIndex;
  // Set once the worker thread is running; only then does m_workerDoneEvent ever get
  // signalled, so only then may NPP_Destroy wait for it.
  int m_workerStarted;

 private:
  void setDefaults();
  void readRecognisedParameters();
  void readFileList(int16 argc, char* argn[], char* argv[]);
};
