// Copying a folder's tree into another folder: the sample updater's install step.
#pragma once

#include <string>

// Makes folder and whichever of its parents are missing. True when it is a folder then.
bool makeFolderPath(const std::string& folder);

// Copies every file and folder under from into to (made when missing), replacing files of
// the same name. On false, failure names what could not be made or copied and why.
bool copyTree(const std::string& from, const std::string& to, std::string& failure);

// True when path is folder itself or lies inside it, compared as full paths without
// regard to case, as the file system compares them.
bool isWithinFolder(const std::string& path, const std::string& folder);
