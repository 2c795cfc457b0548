// Which browser family a user-agent text names, as far as reading the browser's own
// settings goes. Pure text.
#pragma once

#include <cstddef>

enum class BrowserFamily {
  Firefox,    // "Firefox" anywhere (exact case), whatever the version says
  NoVersion,  // no "/" at all: not a user agent that can be read
  Netscape3,  // "3" right after the first "/"
  Netscape4,  // "4" right after the first "/"
  Mozilla,    // any other character from "5" up to code 127 after the first "/"
  Other,      // anything else after the first "/" (older browsers, empty, 8-bit)
};

// A null text counts as one without a version.
BrowserFamily classifyUserAgent(const char* userAgent);

// The Netscape 4.x version as its registry keys spell it: the text after the first "/"
// up to the first line feed or "(", brackets turned into parentheses, trailing white
// space dropped. "Mozilla/4.79 [en] (Windows NT 5.0; U)" gives "4.79 (en)". Cut to
// outSize - 1 characters; empty without a "/".
void netscapeVersionText(const char* userAgent, char* out, size_t outSize);
