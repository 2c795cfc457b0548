// Whether a text may stand as a cookie's value and nothing more: only the characters a
// cookie value may hold (printable ASCII but blanks, double quotes, commas, semicolons and
// backslashes). A ";" would start the cookie's attributes: a domain, a path, an expiry
// that keeps it in the store the system's other programs share. Pure text.
#pragma once

bool isCookieValue(const char* text);
