// Composing the download error sentence.
#include "net/http_error_message.h"

#include <cstdio>
#include <cstring>

#include "net/prefs_text.h"

const char kDefaultHttpErrorTemplate[] = "An error occurred while downloading from the server: %s";

void composeHttpErrorMessage(const char* messageTemplate, const char* statusText, uint32_t statusCode, char* out,
                             size_t outSize) {
  if (!messageTemplate) messageTemplate = kDefaultHttpErrorTemplate;
  copyBounded(out, outSize, messageTemplate);
  const char* placeholder = std::strstr(messageTemplate, "%s");
  if (!placeholder) return;
  const size_t before = static_cast<size_t>(placeholder - messageTemplate);
  if (before < outSize) out[before] = '\0';
  char code[16];
  std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(statusCode));
  if (statusText && statusText[0]) {
    appendBounded(out, outSize, statusText);
    appendBounded(out, outSize, " (");
    appendBounded(out, outSize, code);
    appendBounded(out, outSize, ")");
  } else {
    appendBounded(out, outSize, code);
  }
}
