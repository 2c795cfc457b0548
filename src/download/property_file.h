// Reading a configuration file (the configuration-file dialect of the properties text)
// from disk into a CPropertyMap.
#pragma once

class CPropertyMap;

// Reads the file at path, converts it from the Windows code page codePage (65001 for
// UTF-8) to the system ANSI code page and adds its pairs to map. A missing, empty,
// unreadable or unconvertible file, or one of 2 GiB or more, leaves the map as it was
// and reports nothing. Pairs dropped for their length are counted in the install log.
void loadPropertyFile(CPropertyMap& map, unsigned int codePage, const char* path);
