// Title and separator lines: the frame around the environment report and the log.
#include "log/title_line.h"

#include <cstring>

#include "log/CTextBuffer.h"

namespace {

void appendRepeated(CTextBuffer& buffer, const char* fill, int32_t count) {
  for (int32_t i = 0; i < count; ++i) buffer.append(fill);
}

}  // namespace

CTextBuffer& appendTitleLine(const char* title, const char* fill, int32_t width,
                             CTextBuffer& buffer) {
  const bool hasTitle = title && *title;
  // Titles are short texts of ours; the 64-bit sum keeps a huge one from wrapping.
  const int64_t c = hasTitle ? static_cast<int64_t>(std::strlen(title)) + 2 : 0;
  const int64_t left = (width - c) / 2;
  const int64_t right = width - left - c;
  if (left > 0) appendRepeated(buffer, fill, static_cast<int32_t>(left));
  if (hasTitle) buffer.appendChar(' ').append(title).appendChar(' ');
  if (right > 0) appendRepeated(buffer, fill, static_cast<int32_t>(right));
  return buffer.append("\r\n");
}

CTextBuffer& appendSeparatorLine(CTextBuffer& buffer) {
  return appendTitleLine(nullptr, "-", 80, buffer);
}
