// Directory creation with missing parents, and the parent of a path.
#pragma once

// Creates path and every missing parent. Gives up quietly where the path cannot be
// created; an existing directory is left as it is.
void createDirectoryTree(const char* path);

// A new allocator block holding path up to, not including, its last "\" (a "\" in the
// first position does not count); the empty text when there is none. Null without room.
char* parentDirectory(const char* path);
