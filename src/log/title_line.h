// Centred title lines and separator lines for the install log and its upload.
#pragma once

#include <cstdint>

class CTextBuffer;

// Appends a line of `width` characters: fill, " title ", fill, centred (the odd fill
// goes right), then CR LF. A title wider than the line gets no fill at all.
CTextBuffer& appendTitleLine(const char* title, const char* fill, int32_t width,
                             CTextBuffer& buffer);
// 80 "-" and CR LF.
CTextBuffer& appendSeparatorLine(CTextBuffer& buffer);
