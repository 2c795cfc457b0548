// Text rules for the browsers' preference lines (prefs.js) and proxy bypass lists. Pure
// text: nothing here touches files or the system.
#pragma once

#include <cstddef>

// Prefs lines are recognised by their start in any case (startsWithIgnoringCase).
#include "base/ascii_case.h"

// Cuts the line at its first CR or LF and collapses every run of white space (space, tab,
// vertical tab, form feed) into one space, in place. Lines are compared in this form.
void normalizePrefsLine(char* line);

// Rewrites a host list in place into the "|"-separated form: "," and ";" become "|",
// white space is dropped, everything else is kept in order.
void normalizeBypassList(char* list);

// The "|"-separated list as the system's internet library takes it: entries separated by
// ";", a domain entry ".corp.example" written "*.corp.example" (the browser's form matches
// every host under the domain, the library's needs the wildcard). Entries that do not fit
// out (capacity bytes) are left out: their hosts go through the proxy.
void toSystemBypassList(const char* list, char* out, size_t capacity);

// Copies the text from valueStart up to the next double quote into out, cut to
// outSize - 1 characters. False, with out empty, when no double quote follows.
bool copyQuotedValue(const char* valueStart, char* out, size_t outSize);
