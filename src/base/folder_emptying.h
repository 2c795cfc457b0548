// Emptying a folder of everything below it, for a run that must not build on what an
// earlier run left there, without ever reaching through a link into a folder that is not
// the run's own.
#pragma once

#include <windows.h>

// The file-system calls emptying makes: the system's own, unless a test hands a table of
// its own (Wine makes no junctions or folder links, so a test lays them out there).
struct FolderCalls {
  HANDLE(WINAPI* findFirst)(LPCSTR pattern, LPWIN32_FIND_DATAA found);
  BOOL(WINAPI* findNext)(HANDLE search, LPWIN32_FIND_DATAA found);
  BOOL(WINAPI* findClose)(HANDLE search);
  DWORD(WINAPI* attributes)(LPCSTR path);
  BOOL(WINAPI* setAttributes)(LPCSTR path, DWORD attributes);
  BOOL(WINAPI* deleteFile)(LPCSTR path);
  BOOL(WINAPI* removeDirectory)(LPCSTR path);
};
const FolderCalls& systemFolderCalls();

// Whether path is a junction, a folder link or a file link (a reparse point): what it
// holds lies elsewhere.
bool isLinkedPath(const char* path, const FolderCalls& calls = systemFolderCalls());

// Deletes every file and folder below folder, leaving folder itself. Read-only files go
// too; a link below it is removed as a link, never followed. True when nothing is left
// below folder; false when something could not be removed, a path would not fit a path
// buffer (what could be removed is gone), or folder is itself a link (nothing is touched).
bool emptyFolder(const char* folder, const FolderCalls& calls = systemFolderCalls());
