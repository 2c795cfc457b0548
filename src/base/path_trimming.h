// Path parts as Windows writes them: when it creates a file or a folder it drops the
// trailing dots and blanks of the name, so "setup.exe." and "bin. " become "setup.exe"
// and "bin". Names from outside (archive entries, the page's file list) are trimmed the
// same way before they are checked, so that every check sees the name the disk will
// hold. Pure text, no system calls.
#pragma once

// Drops the trailing dots and blanks of every part of path ("\" and "/" separate parts),
// in place; the separators stay as written. False when a part that held something trims
// to nothing (".", " ", "..", ". ."): such a part names no file or folder of its own, and
// what the system makes of it depends on where it stands. path is then partly trimmed.
// Empty parts (from a leading, doubled or trailing separator) stay as they are.
bool trimPathParts(char* path);
