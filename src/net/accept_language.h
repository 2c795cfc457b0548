// The Accept-Language header line that every request carries: the languages chosen in
// the browser (Firefox and Mozilla prefs.js), else the Windows user's language from the
// registry's RFC 1766 table, else "en-us". Keeps no state; any thread may call it.
#pragma once

// "Accept-Language: " + the language list, no line end, in a block from NPN_MemAlloc that
// the caller frees with NPN_MemFree. Null only when the allocator has no room.
char* getAcceptLanguageHeader(const char* userAgent);

// prefix + the browser's language list for a Firefox or Mozilla user agent, or null.
char* getNSLanguageInfo(const char* prefix, const char* userAgent);

// prefix + the value of the first "intl.accept_languages" line of a prefs.js, with its
// ends trimmed, or null when there is none (or only white space).
char* getLanguageInfoFromPrefs(const char* prefix, const char* prefsPath);
